#ifndef ZELVOAUTOMATIONCONNECTION_H
#define ZELVOAUTOMATIONCONNECTION_H

#include <QByteArray>
#include <QObject>
#include <QQueue>

class QSocketNotifier;
class ZelvoAutomationCommands;

// One client of the automation endpoint, on its own socket (which it closes). Requests are read line by line and
// run one after the other; each is started from the event loop rather than
// from the socket's signal, so that a nested loop opened by one request still
// lets the following requests in.
class ZelvoAutomationConnection : public QObject
{
    Q_OBJECT

public:
    ZelvoAutomationConnection(int fd, QObject *parent);
    ~ZelvoAutomationConnection() override;

    static const int maximumLineLength = 1024 * 1024;

private slots:
    void readLines();
    void runNext();

private:
    void takeLines();
    void send(const QByteArray &line);
    void disconnectClient();

    int m_fd;
    QSocketNotifier *m_notifier;
    ZelvoAutomationCommands *m_commands;
    QByteArray m_buffer;
    QQueue<QByteArray> m_pending;
    bool m_busy;
    bool m_scheduled;
    bool m_discarding; // the rest of an over-long line
};

#endif
