#ifndef PLIXPAGESTACK_H
#define PLIXPAGESTACK_H

#include <QList>
#include <QObject>
#include <QPointer>

class PlixAppletIf;
class PlixPageFrame;
class PlixStylableWidget;
class ZelvoApplicationWindow;

// The pages of one applet in the control panel's window, bottom to top.
//
// A page's changeWidget(n) builds page n and pushes it (a null page pushes
// nothing); back asks the top page's back() and pops it; when the applet's
// main page (0) comes on top again it is asked for once more, so that the
// applet's title and menu answer for it. Each time the top page changes the
// applet's title() and viewMenuItems() are asked again and shown with it.
// Pages belong to the stack: it deletes them when they leave it.
class PlixPageStack : public QObject
{
    Q_OBJECT

public:
    PlixPageStack(PlixAppletIf *applet, ZelvoApplicationWindow *window, QObject *parent = nullptr);
    // Deletes the pages still on the stack.
    ~PlixPageStack() override;

    // Calls the applet's init() and shows its main page; false (logged) when
    // the applet gives no main page.
    bool open();

    int depth() const;
    QList<int> pageNumbers() const; // bottom to top
    PlixStylableWidget *topPage() const;
    PlixPageFrame *topFrame() const;

public slots:
    // Builds page number widgetId and pushes it; false when the applet gave
    // no page. A page already on the stack comes back on top instead, the
    // pages above it leaving (without their back()).
    bool showPage(int widgetId, int referer = -1);
    // What the back button does to the top page.
    void back();

signals:
    void topPageChanged();
    // The last page has left.
    void finished();

private:
    void closePage(PlixStylableWidget *page);
    void pageDestroyed(QObject *page);
    void pop(PlixPageFrame *frame);
    void popAbove(int index);
    void topChanged();
    void showTitleAndMenu(PlixPageFrame *frame);
    int indexOf(const QObject *page) const;
    QList<PlixPageFrame *> frames() const;

    PlixAppletIf *m_applet;
    QPointer<ZelvoApplicationWindow> m_window;
    QList<QPointer<PlixPageFrame>> m_frames;
    bool m_finished;
};

#endif
