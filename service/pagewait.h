#ifndef TRUSTKEEP_PAGEWAIT_H
#define TRUSTKEEP_PAGEWAIT_H

#include <zelvoapplicationpage.h>

#include <QObject>
#include <QPointer>

class QEventLoop;
class QGraphicsWidget;

// How a service call asks the user: it raises a full-window page in the
// service's window and waits for it inside the call, in a local event loop,
// while the program goes on serving events and further bus calls. The wait
// ends on the page's back button and on any signal added with quitOn().
//
//   PageWait wait(this);
//   wait.page()->setCentralWidget(content);
//   wait.exec(ZelvoSceneWindow::DestroyWhenDone);
class PageWait
{
public:
    // The loop becomes a child of owner (the calling object).
    explicit PageWait(QObject *owner);
    ~PageWait();

    // The page to fill: inverted style, back button that only signals. It
    // belongs to the window once it has appeared.
    ZelvoApplicationPage *page() const { return m_page; }

    // Ends the wait on this signal too (e.g. an answer button's click).
    void quitOn(QObject *sender, const char *signal);

    // Makes the window visible, shows the page and waits. Returns when the
    // wait was ended, or when the application quits. The page is taken off
    // display then: left up, it would cover the page of an outer call that
    // still waits for the user.
    void exec(ZelvoSceneWindow::DeletionPolicy policy);

    PageWait(const PageWait &) = delete;
    PageWait &operator=(const PageWait &) = delete;

private:
    QPointer<ZelvoApplicationPage> m_page;
    QEventLoop *m_loop;
    bool m_shown = false;
};

#endif
