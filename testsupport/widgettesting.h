#ifndef WIDGETTESTING_H
#define WIDGETTESTING_H

#include <zelvoapplication.h>
#include <zelvoapplicationwindow.h>
#include <zelvobutton.h>
#include <zelvodialog.h>
#include <zelvomessagebox.h>
#include <zelvotextedit.h>

#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QQueue>
#include <QTimer>
#include <QtTest>

// Helpers for driving the widgets of the library in-process, the way a
// finger (or the automation) would.
namespace WidgetTesting {

// A press and release at the widget's centre, delivered through a scene so
// the widget's own mouse handling runs (rows of a list,
// which are no buttons).
inline void tap(QGraphicsWidget *widget)
{
    QGraphicsScene *scene = widget->scene();
    QScopedPointer<QGraphicsScene> own;
    QGraphicsItem *top = widget->topLevelItem();
    if (!scene) {
        // The whole tree goes into a scene for the tap: adding only the
        // widget would take it away from its parent.
        own.reset(new QGraphicsScene);
        own->addItem(top);
        scene = own.data();
    }
    const QPointF centre = widget->boundingRect().center();
    for (QEvent::Type type : { QEvent::GraphicsSceneMousePress, QEvent::GraphicsSceneMouseRelease }) {
        QGraphicsSceneMouseEvent event(type);
        event.setButton(Qt::LeftButton);
        event.setButtons(type == QEvent::GraphicsSceneMousePress ? Qt::LeftButton : Qt::NoButton);
        event.setPos(centre);
        event.setScenePos(widget->mapToScene(centre));
        event.setButtonDownPos(Qt::LeftButton, centre);
        event.setButtonDownScenePos(Qt::LeftButton, widget->mapToScene(centre));
        event.setAccepted(false);
        scene->sendEvent(widget, &event);
    }
    if (own)
        own->removeItem(top);
}

// The visible descendant of that object name and class.
template <typename T> T *child(QGraphicsWidget *root, const QString &name)
{
    const QList<QGraphicsItem *> items = root->childItems();
    for (QGraphicsItem *item : items) {
        if (!item->isWidget())
            continue;
        auto *widget = static_cast<QGraphicsWidget *>(item);
        if (!widget->isVisible())
            continue; // e.g. content replaced and waiting to be deleted
        if (widget->objectName() == name)
            if (T *found = qobject_cast<T *>(widget))
                return found;
        if (T *found = child<T>(widget, name))
            return found;
    }
    return nullptr;
}

// Answers the dialogs of the active window one at a time as they appear, as
// a user would: a message box with the answer's button, any other dialog by
// typing the password(s) the answer has and accepting, or by cancelling.
// Records what each showed. A dialog past the answers is left waiting.
class DialogAnswerer : public QObject
{
public:
    struct Answer {
        bool accept;
        QString current;
        QString fresh;
        QString confirm;
        QMessageBox::StandardButton button = QMessageBox::NoButton; // of a message box
    };
    static Answer press(QMessageBox::StandardButton button) { return { true, {}, {}, {}, button }; }

    DialogAnswerer()
    {
        connect(&m_poll, &QTimer::timeout, this, [this]() { poll(); });
        m_poll.start(10);
    }

    void enqueue(const Answer &answer) { m_answers.enqueue(answer); }
    int answered() const { return m_answered; }
    QStringList noticesSeen() const { return m_notices; }
    bool allAnswered() const { return m_answers.isEmpty(); }
    QStringList asked; // "<object name>: <text>" of each message box
    QList<QStringList> buttons; // the object names of its buttons

private:
    void poll()
    {
        ZelvoApplicationWindow *window = ZelvoApplication::activeWindow();
        if (!window || window->dialogs().isEmpty() || m_answers.isEmpty())
            return;
        auto *dialog = qobject_cast<ZelvoDialog *>(window->dialogs().last());
        if (!dialog || !dialog->isRunning())
            return;
        const Answer answer = m_answers.dequeue();
        ++m_answered;
        if (auto *box = qobject_cast<ZelvoMessageBox *>(dialog)) {
            asked << box->objectName() + QStringLiteral(": ") + box->text();
            QStringList names;
            for (ZelvoButton *b : box->buttons())
                names << b->objectName();
            buttons << names;
            if (ZelvoButton *b = box->button(answer.button)) {
                b->click();
                return;
            }
        }
        auto *notice = child<QGraphicsWidget>(dialog, QStringLiteral("passwordNotice"));
        m_notices << (notice ? notice->property("text").toString() : QString());
        auto type = [&](const char *name, const QString &text) {
            if (auto *field = child<ZelvoTextEdit>(dialog, QString::fromLatin1(name)))
                field->setText(text);
        };
        type("currentPasswordField", answer.current);
        type("newPasswordField", answer.fresh);
        type("confirmPasswordField", answer.confirm);
        const char *button = answer.accept ? "acceptButton" : "cancelButton";
        if (auto *b = child<ZelvoButton>(dialog, QString::fromLatin1(button)))
            b->click();
        else
            dialog->done(answer.accept ? 1 : 0);
    }

    QTimer m_poll;
    QQueue<Answer> m_answers;
    int m_answered = 0;
    QStringList m_notices;
};

} // namespace WidgetTesting

// Tests of widgets run in a touch application with its window.
#define CERTUI_WIDGET_TEST_MAIN(TestObject)                              \
    int main(int argc, char *argv[])                                     \
    {                                                                    \
        ZelvoApplication app(argc, argv, QStringLiteral("certui-test")); \
        ZelvoApplicationWindow window;                                   \
        TestObject test;                                                 \
        return QTest::qExec(&test, argc, argv);                          \
    }

#endif
