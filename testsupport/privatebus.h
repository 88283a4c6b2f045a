#ifndef TRUSTKEEP_PRIVATEBUS_H
#define TRUSTKEEP_PRIVATEBUS_H

#include <QDBusConnection>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

// A dbus-daemon of the test's own, run as the system bus: default-deny
// policy like a device's bus, the shipped policy of the service included
// (so it is parsed and enforced), a unix socket in a temporary folder, and
// on-demand activation of the build tree's trustkeep. One per test; the
// destructor stops the daemon and any service it started, leaving nothing
// behind.
//
//   TemporaryDeviceRoot root;            // sets TRUSTKEEP_DEVICE_ROOT
//   PrivateBus bus;                      // picks the root up from the variable
//   QVERIFY2(bus.isRunning(), qPrintable(bus.errorString()));
//   TrustkeepClient service(PrivateBus::serviceName, "/request", bus.connection());
// (ProcessTestHarness puts this and the rest of a process test together.)
class PrivateBus
{
public:
    static const char serviceName[]; // "com.tavelo.certman"

    // deviceRoot: TRUSTKEEP_DEVICE_ROOT for every process on the bus; empty
    // takes the current process's value. extraPolicy: <policy> elements
    // that follow the shipped policy (e.g. to see what the service does on
    // its own where a device's policy is more open).
    explicit PrivateBus(const QString &deviceRoot = QString(), const QString &extraPolicy = QString());
    ~PrivateBus();

    bool isRunning() const;
    QString errorString() const { return m_error; }

    QString address() const; // unix:path=...
    QString automationSocket() const; // ZELVO_AUTOMATION_SOCKET of the services
    QString deviceRoot() const { return m_deviceRoot; }

    // The environment for children on this bus: the test's own, plus the
    // bus address, device root, headless platform, automation socket and
    // log lines on stderr. Activated services get the same (they inherit
    // the daemon's environment).
    QProcessEnvironment environment() const;

    // A client connection of the test to this bus.
    QDBusConnection connection() const;

    // What the daemon and the services it activated wrote to stderr.
    QString daemonLog();

    // Waits until the name has (or, with present false, no longer has) an
    // owner on the bus.
    bool waitForName(const QString &name, bool present, int timeoutMs = 10000) const;
    // The process id of the name's owner, or 0.
    qint64 ownerPid(const QString &name) const;

private:
    bool start();
    bool writeFile(const QString &name, const QString &content); // under the bus's folder
    void stopActivatedService();

    QTemporaryDir m_dir;
    QString m_deviceRoot;
    QString m_connectionName;
    QString m_extraPolicy;
    QProcess m_daemon;
    QString m_log;
    QString m_error;
    bool m_running = false;
};

#endif
