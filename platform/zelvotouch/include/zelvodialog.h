#ifndef ZELVODIALOG_H
#define ZELVODIALOG_H

#include "zelvoglobal.h"

#include "zelvoscenewindow.h"

#include <QList>
#include <QMessageBox>

class QEventLoop;
class ZelvoButton;
class ZelvoLabel;
class ZelvoApplicationWindow;

// A modal question over the window's top page: a title, a central widget
// (e.g. text fields) and buttons stacked at the bottom. exec() shows it and
// waits in a nested event loop until it is answered; the result is non-zero
// when it was accepted. A button with an accept or yes role accepts the
// dialog, one with a reject or no role rejects it, other roles only emit
// buttonClicked(). The window's back button rejects the top dialog.
class ZELVO_EXPORT ZelvoDialog : public ZelvoSceneWindow
{
    Q_OBJECT
    Q_PROPERTY(QString title READ title WRITE setTitle)

public:
    enum DialogCode {
        Rejected = 0,
        Accepted = 1
    };
    Q_ENUM(DialogCode)

    explicit ZelvoDialog(QGraphicsItem *parent = nullptr);
    ZelvoDialog(const QString &title, QMessageBox::StandardButtons buttons);
    ~ZelvoDialog() override;

    void setTitle(const QString &title); // a logical id is shown translated
    QString title() const;

    // Takes over the widget; an earlier one is deleted.
    void setCentralWidget(QGraphicsWidget *widget);
    // The central widget; a plain one is made on first call when none was set.
    QGraphicsWidget *centralWidget();

    // Standard buttons get the object names "dialogButtonOk", "dialogButtonYes",
    // "dialogButtonNo", "dialogButtonCancel", ... in the order Qt lists them.
    void setStandardButtons(QMessageBox::StandardButtons buttons);
    QMessageBox::StandardButtons standardButtons() const;
    ZelvoButton *addButton(QMessageBox::StandardButton button);
    ZelvoButton *addButton(const QString &text, QMessageBox::ButtonRole role);
    ZelvoButton *button(QMessageBox::StandardButton which) const;
    QMessageBox::StandardButton standardButton(ZelvoButton *button) const;
    QMessageBox::ButtonRole buttonRole(ZelvoButton *button) const;
    QList<ZelvoButton *> buttons() const;
    ZelvoButton *clickedButton() const; // the button that answered, or null

    // Shows the dialog in the window (without one: the active window, or a
    // window of its own when the application has none) and waits. A hidden
    // window is shown for the question and hidden again afterwards.
    int exec(ZelvoApplicationWindow *window = nullptr);
    bool isRunning() const; // inside exec()

    int result() const;
    void setResult(int result);

public slots:
    virtual void done(int result);
    void accept();
    void reject();

signals:
    void accepted();
    void rejected();
    void finished(int result);
    void buttonClicked(ZelvoButton *button);

protected:
    Layer layer() const override;
    void resizeEvent(QGraphicsSceneResizeEvent *event) override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget = nullptr) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;

    // A button was tapped; the default answers by its role.
    virtual void answer(ZelvoButton *button);

    // The panel that holds title, central widget and buttons.
    QGraphicsWidget *panel() const;

    // Records the answer, signals it, takes the dialog off display and ends exec().
    void finish(int result, bool wasAccepted);

private slots:
    void buttonWasClicked();

private:
    void arrangeButtons();
    void placePanel();
    ZelvoButton *addButton(const QString &text, QMessageBox::ButtonRole role, int standardCode,
                           const QString &objectName);

    QGraphicsWidget *m_panel;
    ZelvoLabel *m_titleLabel;
    QGraphicsWidget *m_central;
    QGraphicsWidget *m_buttonBox;
    QList<ZelvoButton *> m_buttons;
    QList<int> m_buttonCodes; // standard button or 0
    QList<int> m_buttonRoles; // QMessageBox::ButtonRole
    ZelvoButton *m_clicked;
    int m_result;
    QEventLoop *m_loop;
};

#endif
