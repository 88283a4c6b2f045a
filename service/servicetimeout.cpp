#include "servicetimeout.h"

#include <zelvoapplication.h>
#include <zelvoapplicationwindow.h>

#include <QTimerEvent>

ServiceTimeout_p::ServiceTimeout_p(int interval, QObject *parent)
    : QObject(parent)
    , m_interval(interval)
{
    // A coarse timer may fire up to 5 % early; the idle interval is a promise
    // to callers that the service stays for the whole of it.
    m_timerId = startTimer(m_interval, Qt::PreciseTimer);
}

int ServiceTimeout_p::stop()
{
    if (m_timerId != 0) {
        killTimer(m_timerId);
        m_timerId = 0;
    }
    return m_busyCount++;
}

void ServiceTimeout_p::restart(int stop_id)
{
    if (stop_id > 0 && m_busyCount > stop_id) {
        // A nested call ends while an outer one still runs: drop back to the
        // outer call's level and leave its page and the timer alone.
        m_busyCount = stop_id;
        return;
    }
    if (m_busyCount > 0)
        --m_busyCount;
    if (m_busyCount != 0)
        return;
    if (m_timerId != 0)
        return;
    // The finished call may have left a page up; an idle service shows nothing.
    hideActiveWindow();
    m_timerId = startTimer(m_interval, Qt::PreciseTimer);
}

void ServiceTimeout_p::timerEvent(QTimerEvent *event)
{
    Q_UNUSED(event);
    // The id is kept: the service is quitting, and a later restart() must not
    // start a second countdown.
    killTimer(m_timerId);
    emit timeout();
}

void ServiceTimeout_p::hideActiveWindow()
{
    ZelvoApplication *app = ZelvoApplication::instance();
    if (!app)
        return;
    if (ZelvoApplicationWindow *window = app->activeWindow())
        window->setVisible(false);
}
