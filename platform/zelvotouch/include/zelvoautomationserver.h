#ifndef ZELVOAUTOMATIONSERVER_H
#define ZELVOAUTOMATIONSERVER_H

#include "zelvoglobal.h"

#include <QObject>
#include <QString>

class QSocketNotifier;

// The UI automation endpoint: a local socket on which tests and demos drive
// the program's windows, one JSON object per line each way. ZelvoApplication
// starts it when ZELVO_AUTOMATION_SOCKET names a path; nothing listens
// otherwise. The protocol is described in the README ("UI automation").
class ZELVO_EXPORT ZelvoAutomationServer : public QObject
{
    Q_OBJECT

public:
    static const char *const environmentVariable; // "ZELVO_AUTOMATION_SOCKET"

    // The socket path for a configured one: each "%a" is replaced by the
    // application name, so that programs started with one environment (a
    // control panel and the services it calls) each listen at their own path.
    static QString expandSocketPath(const QString &configured, const QString &applicationName);

    // Listens at the path named by the environment (expanded as above) once
    // per process; returns
    // the server, or null when the variable is unset or listening failed (logged).
    static ZelvoAutomationServer *startFromEnvironment();
    static ZelvoAutomationServer *instance();

    explicit ZelvoAutomationServer(QObject *parent = nullptr);
    ~ZelvoAutomationServer() override;

    // A stale socket file at the path is replaced.
    bool listen(const QString &path);
    QString socketPath() const;

private slots:
    void acceptConnections();

private:
    void close();

    // A plain socket rather than the network module's: loading that module
    // and its dependencies cost every program a good share of its start-up.
    int m_fd;
    QSocketNotifier *m_notifier;
    QString m_path;
};

#endif
