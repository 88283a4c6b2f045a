#ifndef TRUSTKEEP_SERVICETIMEOUT_H
#define TRUSTKEEP_SERVICETIMEOUT_H

#include <QObject>

// The service's idle timer: it ends the service one interval after the last
// call. Calls hold it with stop() and give it back with restart(stop id);
// because a call that waits for the user lets further calls run inside it,
// a busy count tracks how many calls are under way and the timer only runs
// again when the outermost one has ended.
class ServiceTimeout_p : public QObject
{
    Q_OBJECT
public:
    // Starts the timer at once, so a service that never gets a call still ends.
    explicit ServiceTimeout_p(int interval, QObject *parent = nullptr);

    int busyCount() const { return m_busyCount; }
    bool isTimerRunning() const { return m_timerId != 0; }

signals:
    void timeout();

public slots:
    // Holds the timer; the result is the caller's stop id for restart().
    int stop();
    // Gives back what stop() took. A nested call passes its stop id so that
    // ending it leaves the outer call's hold in place; without an id (-1)
    // the count simply drops by one.
    void restart(int stop_id = -1);

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    void hideActiveWindow();

    int m_interval;
    int m_timerId = 0;
    int m_busyCount = 0;
};

#endif
