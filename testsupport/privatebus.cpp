#include "privatebus.h"
#include "testprogram.h"

#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <csignal>
#include <sys/types.h>

#ifndef TRUSTKEEP_SOURCE_DIR
#error "TRUSTKEEP_SOURCE_DIR must name the source tree (the shipped bus policy is read from it)"
#endif

const char PrivateBus::serviceName[] = "com.tavelo.certman";

namespace {

const char activationFile[] = R"([D-BUS Service]
Name=%1
Exec=%2 --dbus
User=root
)";

bool processGone(qint64 pid)
{
    if (::kill(static_cast<pid_t>(pid), 0) != 0)
        return true;
    // A process that ended but was not reaped yet (its parent, the daemon,
    // may be on its way out too) is gone for our purposes.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    const int close = line.lastIndexOf(')');
    return close > 0 && line.mid(close + 2, 1) == "Z";
}

bool waitForProcessGone(qint64 pid, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!processGone(pid)) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    return true;
}

} // namespace

PrivateBus::PrivateBus(const QString &deviceRoot, const QString &extraPolicy)
    : m_dir(QDir::tempPath() + QStringLiteral("/tkbus-XXXXXX"))
    , m_deviceRoot(deviceRoot.isEmpty() ? qEnvironmentVariable("TRUSTKEEP_DEVICE_ROOT") : deviceRoot)
    , m_connectionName(QStringLiteral("privatebus-%1").arg(reinterpret_cast<quintptr>(this)))
    , m_extraPolicy(extraPolicy)
{
    m_running = start();
}

PrivateBus::~PrivateBus()
{
    if (m_running)
        stopActivatedService();
    QDBusConnection::disconnectFromBus(m_connectionName);
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(5000)) {
            m_daemon.kill();
            m_daemon.waitForFinished(5000);
        }
    }
}

bool PrivateBus::isRunning() const
{
    return m_running && m_daemon.state() == QProcess::Running;
}

QString PrivateBus::address() const
{
    return QStringLiteral("unix:path=") + m_dir.filePath(QStringLiteral("system_bus_socket"));
}

QString PrivateBus::automationSocket() const
{
    return m_dir.filePath(QStringLiteral("automation.sock"));
}

QProcessEnvironment PrivateBus::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), address());
    env.insert(QStringLiteral("TRUSTKEEP_DEVICE_ROOT"), m_deviceRoot);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("ZELVO_AUTOMATION_SOCKET"), automationSocket());
    env.insert(QStringLiteral("TRUSTKEEP_LOG_STDERR"), QStringLiteral("1"));
    return env;
}

QDBusConnection PrivateBus::connection() const
{
    return QDBusConnection::connectToBus(address(), m_connectionName);
}

QString PrivateBus::daemonLog()
{
    m_log += QString::fromLocal8Bit(m_daemon.readAllStandardError());
    return m_log;
}

bool PrivateBus::waitForName(const QString &name, bool present, int timeoutMs) const
{
    QDBusConnectionInterface *bus = connection().interface();
    if (!bus)
        return false;
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        const QDBusReply<bool> owned = bus->isServiceRegistered(name);
        if (owned.isValid() && owned.value() == present)
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
}

qint64 PrivateBus::ownerPid(const QString &name) const
{
    QDBusConnectionInterface *bus = connection().interface();
    if (!bus)
        return 0;
    const QDBusReply<uint> pid = bus->servicePid(name);
    return pid.isValid() ? pid.value() : 0;
}

bool PrivateBus::start()
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("cannot create a temporary folder: ") + m_dir.errorString();
        return false;
    }
    if (qEnvironmentVariableIsEmpty("TRUSTKEEP_BUILD_DIR")) {
        m_error = QStringLiteral("TRUSTKEEP_BUILD_DIR is not set (run the test under CTest)");
        return false;
    }
    const QString policy = QStringLiteral(TRUSTKEEP_SOURCE_DIR "/data/com.tavelo.certman.conf");
    QFile busTemplate(QStringLiteral(TRUSTKEEP_SOURCE_DIR "/testsupport/privatebus.conf"));
    if (!QFile::exists(policy) || !busTemplate.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("the shipped bus policy or the bus template is missing");
        return false;
    }
    const QString configuration =
        QString::fromUtf8(busTemplate.readAll())
            .replace(QLatin1String("@SOCKET@"), m_dir.filePath(QStringLiteral("system_bus_socket")))
            .replace(QLatin1String("@SERVICEDIR@"), m_dir.filePath(QStringLiteral("services")))
            .replace(QLatin1String("@POLICIES@"),
                     QStringLiteral("<include>%1</include>\n%2").arg(policy, m_extraPolicy));
    const QString activation =
        QString::fromLatin1(activationFile).arg(QLatin1String(serviceName), TestProgram::trustkeepBinary());
    if (!writeFile(QStringLiteral("system.conf"), configuration)
        || !writeFile(QStringLiteral("services/com.tavelo.certman.service"), activation))
        return false;
    // Other local users reach the bus too, as on a device (the socket itself
    // is open to everyone).
    QFile::setPermissions(m_dir.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                              | QFileDevice::ExeGroup | QFileDevice::ExeOther);

    // Activated services inherit the daemon's environment: give it theirs.
    m_daemon.setProcessEnvironment(environment());
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   { QStringLiteral("--config-file=") + m_dir.filePath(QStringLiteral("system.conf")),
                     QStringLiteral("--nofork"), QStringLiteral("--nopidfile"), QStringLiteral("--nosyslog"),
                     QStringLiteral("--print-address=1") });
    if (!m_daemon.waitForStarted(10000)) {
        m_error = QStringLiteral("cannot start dbus-daemon: ") + m_daemon.errorString();
        return false;
    }
    // The daemon prints its address once it listens.
    QDeadlineTimer deadline(10000);
    while (!m_daemon.canReadLine()) {
        if (deadline.hasExpired() || !m_daemon.waitForReadyRead(int(deadline.remainingTime()))) {
            m_error = QStringLiteral("dbus-daemon did not come up: ") + daemonLog();
            return false;
        }
    }
    m_daemon.readLine();
    if (!connection().isConnected()) {
        m_error = QStringLiteral("cannot connect to the private bus: ") + connection().lastError().message();
        return false;
    }
    return true;
}

bool PrivateBus::writeFile(const QString &name, const QString &content)
{
    QFile file(m_dir.filePath(name));
    if (!QDir(m_dir.path()).mkpath(QFileInfo(name).path()) || !file.open(QIODevice::WriteOnly)) {
        m_error = QStringLiteral("cannot write ") + file.fileName();
        return false;
    }
    return file.write(content.toUtf8()) == content.toUtf8().size();
}

// A service the daemon started outlives the daemon (its bus connection just
// drops), and one waiting for the user would never end: end it while the
// daemon can still reap it.
void PrivateBus::stopActivatedService()
{
    const qint64 pid = ownerPid(QLatin1String(serviceName));
    if (pid <= 0)
        return;
    ::kill(static_cast<pid_t>(pid), SIGTERM);
    if (!waitForProcessGone(pid, 5000)) {
        ::kill(static_cast<pid_t>(pid), SIGKILL);
        waitForProcessGone(pid, 5000);
    }
}
