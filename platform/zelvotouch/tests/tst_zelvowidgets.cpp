#include "zelvoaction.h"
#include "zelvoapplication.h"
#include "zelvoapplicationpage.h"
#include "zelvoapplicationwindow.h"
#include "zelvobutton.h"
#include "zelvocombobox.h"
#include "zelvodialog.h"
#include "zelvolabel.h"
#include "zelvolist.h"
#include "zelvolistitem.h"
#include "zelvomessagebox.h"
#include "zelvoprogressindicator.h"
#include "zelvoseparator.h"
#include "zelvotextedit.h"
#include "zelvowidgetaction.h"

#include <QGraphicsLinearLayout>
#include <QGraphicsSceneMouseEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QtTest>

// The widgets' own behaviour: what they show and how taps and typing reach them.
class TestZelvoWidgets : public QObject
{
    Q_OBJECT

private:
    static void tap(QGraphicsWidget *w)
    {
        const QPointF centre = w->mapToScene(w->rect().center());
        for (QEvent::Type type : {QEvent::GraphicsSceneMousePress, QEvent::GraphicsSceneMouseRelease}) {
            QGraphicsSceneMouseEvent event(type);
            event.setButton(Qt::LeftButton);
            event.setButtons(type == QEvent::GraphicsSceneMousePress ? Qt::LeftButton : Qt::NoButton);
            event.setScenePos(centre);
            event.setButtonDownScenePos(Qt::LeftButton, centre);
            QCoreApplication::sendEvent(w->scene(), &event);
        }
    }

    // Graphics items are found through the item tree, not QObject children.
    template <typename T>
    static T *findItem(QGraphicsItem *root, const QString &name)
    {
        for (QGraphicsItem *child : root->childItems()) {
            auto *object = qobject_cast<T *>(child->toGraphicsObject());
            if (object && object->objectName() == name)
                return object;
            if (T *found = findItem<T>(child, name))
                return found;
        }
        return nullptr;
    }

    static ZelvoApplicationPage *pageWith(ZelvoApplicationWindow *window, QList<QGraphicsWidget *> widgets)
    {
        auto *page = new ZelvoApplicationPage;
        auto *layout = new QGraphicsLinearLayout(Qt::Vertical, page->centralWidget());
        for (QGraphicsWidget *w : widgets)
            layout->addItem(w);
        layout->addStretch(1);
        page->appear(window);
        QCoreApplication::processEvents();
        return page;
    }

private slots:
    void labelText()
    {
        ZelvoLabel label(QStringLiteral("First<br><br>Second"));
        QCOMPARE(label.displayText(), QStringLiteral("First\n\nSecond"));
        label.setTextFormat(Qt::PlainText);
        QCOMPARE(label.displayText(), QStringLiteral("First<br><br>Second"));
        label.setText(QStringLiteral("a < b"));
        label.setTextFormat(Qt::AutoText);
        QCOMPARE(label.displayText(), QStringLiteral("a < b"));
        label.setAlignment(Qt::AlignVCenter);
        QCOMPARE(label.alignment() & Qt::AlignVertical_Mask, Qt::Alignment(Qt::AlignVCenter));
        QVERIFY(label.alignment() & Qt::AlignHorizontal_Mask);  // the style's horizontal part stays

        // A certificate name is no markup, whatever it looks like.
        ZelvoMessageBox box(QStringLiteral("Delete"), QStringLiteral("<b>Evil</b> CA\nline two"));
        ZelvoLabel *text = nullptr;
        for (QGraphicsItem *item : box.centralWidget()->childItems())
            text = text ? text : qobject_cast<ZelvoLabel *>(item->toGraphicsObject());
        text = text ? text : qobject_cast<ZelvoLabel *>(box.centralWidget());
        QVERIFY(text);
        QCOMPARE(text->displayText(), QStringLiteral("<b>Evil</b> CA\nline two"));
    }

    void buttonsAndToggles()
    {
        ZelvoApplicationWindow window;
        auto *push = new ZelvoButton(QStringLiteral("Push"));
        auto *toggle = new ZelvoButton(QStringLiteral("Toggle"));
        toggle->setViewType(ZelvoButton::SwitchType);
        auto *disabled = new ZelvoButton(QStringLiteral("Disabled"));
        disabled->setEnabled(false);
        pageWith(&window, {push, toggle, disabled});
        QSignalSpy pushed(push, &ZelvoButton::clicked);
        QSignalSpy toggled(toggle, &ZelvoButton::toggled);
        QSignalSpy refused(disabled, &ZelvoButton::clicked);
        tap(push);
        tap(toggle);
        tap(disabled);
        QCOMPARE(pushed.count(), 1);
        QVERIFY(toggle->isCheckable());
        QCOMPARE(toggled.count(), 1);
        QCOMPARE(toggled.first().first().toBool(), true);
        QCOMPARE(refused.count(), 0);
        toggle->setChecked(true);  // no change, no signal
        QCOMPARE(toggled.count(), 1);
    }

    void listFollowsItsModel()
    {
        ZelvoApplicationWindow window;
        QStandardItemModel model;
        model.appendRow(new QStandardItem(QStringLiteral("alpha")));
        model.appendRow(new QStandardItem(QStringLiteral("beta")));
        auto *list = new ZelvoList;
        list->setItemModel(&model);
        pageWith(&window, {list});
        QCOMPARE(list->rowCount(), 2);
        QSignalSpy clicked(list, &ZelvoList::itemClicked);
        tap(list->itemWidget(1));
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.first().first().value<QModelIndex>().row(), 1);

        // A click handler that changes the model must not pull the row from under itself.
        connect(list, &ZelvoList::itemClicked, &model, [&model](const QModelIndex &index) {
            model.removeRow(index.row());
        });
        tap(list->itemWidget(0));
        QCOMPARE(list->rowCount(), 1);
        QCOMPARE(qobject_cast<ZelvoListItem *>(list->itemWidget(0))->title(), QStringLiteral("beta"));
        disconnect(list, &ZelvoList::itemClicked, &model, nullptr);

        model.item(0)->setText(QStringLiteral("gamma"));
        QCOMPARE(qobject_cast<ZelvoListItem *>(list->itemWidget(0))->title(), QStringLiteral("gamma"));
        model.appendRow(new QStandardItem(QStringLiteral("delta")));
        model.insertRow(0, new QStandardItem(QStringLiteral("first")));
        QCOMPARE(list->rowCount(), 3);
        QCOMPARE(qobject_cast<ZelvoListItem *>(list->itemWidget(0))->title(), QStringLiteral("first"));
        QCOMPARE(qobject_cast<ZelvoListItem *>(list->itemWidget(2))->title(), QStringLiteral("delta"));
        model.removeRow(0);
        QCOMPARE(list->rowCount(), 2);

        list->setSelectionMode(ZelvoList::MultiSelection);
        QCoreApplication::processEvents();
        tap(list->itemWidget(1));
        tap(list->itemWidget(0));
        QCOMPARE(list->selectedIndexes().size(), 2);
        QCOMPARE(list->selectedIndexes().first().row(), 0);
        QVERIFY(qobject_cast<ZelvoListItem *>(list->itemWidget(1))->isSelected());
        tap(list->itemWidget(1));
        QCOMPARE(list->selectedIndexes().size(), 1);
        list->clearSelection();
        QVERIFY(list->selectedIndexes().isEmpty());
        model.clear();
        QCOMPARE(list->rowCount(), 0);
    }

    void comboBoxChoosesThroughItsPopup()
    {
        ZelvoApplicationWindow window;
        auto *combo = new ZelvoComboBox;
        combo->setTitle(QStringLiteral("Shown"));
        QSignalSpy changed(combo, &ZelvoComboBox::currentIndexChanged);
        combo->addItems({QStringLiteral("All"), QStringLiteral("Root"), QStringLiteral("User")});
        QCOMPARE(combo->currentIndex(), 0);  // the first entry becomes current
        QCOMPARE(changed.count(), 1);
        pageWith(&window, {combo});
        QSignalSpy clicked(combo, &ZelvoComboBox::clicked);
        tap(combo);
        QCOMPARE(clicked.count(), 1);
        QVERIFY(combo->popup());
        QCOMPARE(window.dialogs().size(), 1);
        auto *entry = findItem<ZelvoButton>(combo->popup(), QStringLiteral("comboEntry2"));
        QVERIFY(entry);
        QCoreApplication::processEvents();
        tap(entry);
        QCOMPARE(combo->currentIndex(), 2);
        QCOMPARE(combo->currentText(), QStringLiteral("User"));
        QTRY_VERIFY(!combo->popup());
        combo->setCurrentIndex(7);  // out of range: ignored
        QCOMPARE(combo->currentIndex(), 2);
        combo->removeItem(0);
        QCOMPARE(combo->currentIndex(), 1);
        QCOMPARE(combo->currentText(), QStringLiteral("User"));
    }

    void textFieldTypingAndEcho()
    {
        ZelvoApplicationWindow window;
        window.show();
        auto *field = new ZelvoTextEdit;
        field->setEchoMode(ZelvoTextEdit::Password);
        field->setMaxLength(8);
        pageWith(&window, {field});
        QSignalSpy changed(field, &ZelvoTextEdit::textChanged);
        QSignalSpy entered(field, &ZelvoTextEdit::returnPressed);
        for (const QString &key : {QStringLiteral("p"), QStringLiteral("w")}) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, key);
            QCoreApplication::sendEvent(window.scene(), &press);
        }
        // Without focus, keys go nowhere; a tap gives the field the focus.
        QCOMPARE(field->text(), QString());
        window.activateWindow();
        window.scene()->setFocusItem(field);
        for (const QString &key : {QStringLiteral("p"), QStringLiteral("w"), QStringLiteral("d")}) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, key);
            QCoreApplication::sendEvent(window.scene(), &press);
        }
        QKeyEvent backspace(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
        QCoreApplication::sendEvent(window.scene(), &backspace);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(window.scene(), &enter);
        QCOMPARE(field->text(), QStringLiteral("pw"));
        QCOMPARE(field->displayText(), QString(2, QChar(0x25cf)));
        QCOMPARE(entered.count(), 1);
        field->setText(QStringLiteral("0123456789"));
        QCOMPARE(field->text(), QStringLiteral("01234567"));
        QVERIFY(changed.count() >= 4);
    }

    void spinnerSpinsOnlyWhenSeen()
    {
        ZelvoApplicationWindow window;
        auto *spinner = new ZelvoProgressIndicator;
        spinner->setStyleName(QStringLiteral("CommonLargeSpinnerInverted"));
        spinner->setUnknownDuration(true);
        QCOMPARE(spinner->viewType(), QStringLiteral("spinner"));
        QVERIFY(spinner->isRunning());
        ZelvoApplicationPage *page = pageWith(&window, {spinner});
        const qreal start = spinner->spinnerAngle();
        QTRY_VERIFY(spinner->spinnerAngle() != start);
        // The large spinner is sized by the theme.
        QVERIFY(spinner->effectiveSizeHint(Qt::PreferredSize).width() >= 80);

        spinner->hide();
        QCoreApplication::processEvents();
        const qreal hidden = spinner->spinnerAngle();
        QTest::qWait(150);
        QCOMPARE(spinner->spinnerAngle(), hidden);
        spinner->show();
        spinner->setRunning(false);
        QTest::qWait(150);
        QCOMPARE(spinner->spinnerAngle(), hidden);

        auto *bar = new ZelvoProgressIndicator(page->centralWidget(), QStringLiteral("bar"));
        bar->setRange(10, 0);  // reversed: taken in order
        QCOMPARE(bar->minimum(), 0);
        bar->setValue(50);
        QCOMPARE(bar->value(), 10);
    }

    void spacersAndSeparators()
    {
        ZelvoStylableWidget spacer;
        spacer.setStyleName(QStringLiteral("CommonSpacer"));
        ZelvoStylableWidget large;
        large.setStyleName(QStringLiteral("CommonLargeSpacer"));
        QVERIFY(spacer.effectiveSizeHint(Qt::PreferredSize).height() > 0);
        QVERIFY(large.effectiveSizeHint(Qt::PreferredSize).height() > spacer.effectiveSizeHint(Qt::PreferredSize).height());

        ZelvoSeparator line;
        line.setStyleName(QStringLiteral("CommonHeaderDividerInverted"));
        QVERIFY(line.effectiveSizeHint(Qt::PreferredSize).height() >= 1);
        QCOMPARE(line.sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
        line.setOrientation(Qt::Vertical);
        QCOMPARE(line.sizePolicy().verticalPolicy(), QSizePolicy::Expanding);
    }

    void comboBoxIndexBookkeeping()
    {
        ZelvoComboBox combo;
        QCOMPARE(combo.currentIndex(), -1);
        QVERIFY(combo.currentText().isEmpty());
        combo.addItems({QStringLiteral("a"), QStringLiteral("b")});
        combo.setCurrentIndex(1);
        combo.insertItem(0, QStringLiteral("z"));  // the current entry moves down with its text
        QCOMPARE(combo.currentIndex(), 2);
        QCOMPARE(combo.currentText(), QStringLiteral("b"));
        combo.removeItem(2);                        // the current entry goes
        QCOMPARE(combo.currentIndex(), 1);
        combo.clear();
        QCOMPARE(combo.currentIndex(), -1);
        combo.showPopup();  // nowhere to show it: harmless
        QVERIFY(!combo.popup());
    }

    void menuActions()
    {
        ZelvoApplicationWindow window;
        auto *page = pageWith(&window, {});
        auto *add = new ZelvoAction(QStringLiteral("Add"), page);
        add->setObjectName(QStringLiteral("importNew"));
        add->setLocation(ZelvoAction::ApplicationMenuLocation);
        QCOMPARE(int(add->location()), 4);
        auto *selector = new ZelvoWidgetAction(page);
        QPointer<ZelvoComboBox> combo = new ZelvoComboBox;
        combo->addItem(QStringLiteral("One"));
        selector->setWidget(combo);
        selector->setLocation(ZelvoAction::ApplicationMenuLocation);
        QSignalSpy triggered(add, &QAction::triggered);

        auto menuButton = [&window]() -> ZelvoButton * {
            for (QGraphicsItem *item : window.scene()->items()) {
                auto *b = qobject_cast<ZelvoButton *>(item->toGraphicsObject());
                if (b && b->objectName() == QLatin1String("zelvoMenuButton"))
                    return b;
            }
            return nullptr;
        };
        QVERIFY(menuButton() && !menuButton()->isVisible());
        page->addAction(selector);
        page->addAction(add);
        QTRY_VERIFY(menuButton()->isVisible());

        QCoreApplication::processEvents();
        tap(menuButton());
        QCOMPARE(window.dialogs().size(), 1);
        ZelvoSceneWindow *menu = window.dialogs().first();
        QCOMPARE(combo->parentItem() != nullptr, true);  // shown inside the menu
        auto *entry = findItem<ZelvoButton>(menu, QStringLiteral("importNew"));
        QVERIFY(entry);
        QCoreApplication::processEvents();
        tap(entry);
        QCOMPARE(triggered.count(), 1);
        QVERIFY(window.dialogs().isEmpty());
        QTRY_VERIFY(!combo->scene());  // back with its action
        delete selector;                // which deletes a widget it still holds
        QVERIFY(combo.isNull());
        page->removeAction(add);
        QTRY_VERIFY(!menuButton()->isVisible());
    }
};

int main(int argc, char **argv)
{
    ZelvoApplication app(argc, argv, QStringLiteral("tst_zelvowidgets"));
    TestZelvoWidgets test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_zelvowidgets.moc"
