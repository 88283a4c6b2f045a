#include "installerrun.h"

#include "temporarydeviceroot.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QThread>

InstallerRun::InstallerRun(const TemporaryDeviceRoot &root)
    : m_dir(QDir::tempPath() + QStringLiteral("/trustkeep-installer-XXXXXX"))
    , m_environment(root.environment())
{
    const QString socket = m_dir.path() + QStringLiteral("/ui.sock");
    m_environment.insert(QStringLiteral("ZELVO_AUTOMATION_SOCKET"), socket);
    m_environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    m_environment.insert(QStringLiteral("TRUSTKEEP_LOG_STDERR"), QStringLiteral("1"));
    m_environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"),
                         QStringLiteral("unix:path=") + m_dir.path() + QStringLiteral("/no-bus"));
    m_environment.remove(QStringLiteral("DISPLAY"));
    m_ui.setSocketPath(socket);
}

InstallerRun::~InstallerRun()
{
    m_ui.disconnectFromServer();
}

void InstallerRun::setEnvironment(const QString &name, const QString &value)
{
    m_environment.insert(name, value);
}

void InstallerRun::recordStoreOpenings()
{
    const QString shim = qEnvironmentVariable("TRUSTKEEP_BUILD_DIR") + QStringLiteral("/lib/libcertstoreshim.so");
    m_environment.insert(QStringLiteral("LD_PRELOAD"), shim);
    m_environment.insert(QStringLiteral("CERTSTORE_SHIM_LOG"), m_dir.path() + QStringLiteral("/store.log"));
}

bool InstallerRun::start(const QStringList &arguments)
{
    m_process.reset(new TrustkeepProcess(m_environment));
    m_process->start(arguments);
    return m_process->waitForStarted() && m_ui.connectToServer(20000);
}

int InstallerRun::pageCount()
{
    const QJsonObject reply = m_ui.pages();
    if (!reply.value(QStringLiteral("ok")).toBool())
        return -1;
    return reply.value(QStringLiteral("pages")).toArray().size();
}

bool InstallerRun::waitForPages(int count, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (pageCount() == count)
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
}

QStringList InstallerRun::visibleNames()
{
    QStringList names;
    for (const QJsonValue &value : m_ui.widgets().value(QStringLiteral("widgets")).toArray()) {
        const QString name = value.toObject().value(QStringLiteral("objectName")).toString();
        if (!name.isEmpty())
            names << name;
    }
    return names;
}

QJsonObject InstallerRun::widget(const QString &objectName)
{
    return ZelvoAutomationClient::findWidget(m_ui.widgets(), objectName);
}

QJsonObject InstallerRun::waitForWidget(const QString &objectName, int timeoutMs)
{
    return m_ui.waitFor(objectName, timeoutMs) ? widget(objectName) : QJsonObject();
}

int InstallerRun::exitStatus(int timeoutMs)
{
    if (!m_process)
        return -1;
    const bool finished = m_process->waitForFinished(timeoutMs);
    const int status = finished ? m_process->exitCode() : -1;
    if (status != 0) {
        // What the program said tells why it did not end as expected.
        for (const QString &line : m_process->logLines())
            qWarning("trustkeep: %s", qPrintable(line));
    }
    return status;
}

QStringList InstallerRun::storeOpenings() const
{
    QFile log(m_dir.path() + QStringLiteral("/store.log"));
    if (!log.open(QIODevice::ReadOnly))
        return QStringList();
    QStringList openings;
    for (const QByteArray &line : log.readAll().split('\n')) {
        if (line.startsWith("open "))
            openings << QString::fromUtf8(line);
    }
    return openings;
}
