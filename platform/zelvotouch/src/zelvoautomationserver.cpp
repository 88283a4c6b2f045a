#include "zelvoautomationserver.h"

#include "platformlog.h"
#include "zelvoautomationconnection.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

#include <sys/stat.h>

const char *const ZelvoAutomationServer::environmentVariable = "ZELVO_AUTOMATION_SOCKET";

namespace {
QPointer<ZelvoAutomationServer> &theServer()
{
    static QPointer<ZelvoAutomationServer> server;
    return server;
}
bool &started()
{
    static bool value = false;
    return value;
}
} // namespace

ZelvoAutomationServer *ZelvoAutomationServer::startFromEnvironment()
{
    if (started())
        return theServer();
    const QString configured = QString::fromLocal8Bit(qgetenv(environmentVariable));
    if (configured.isEmpty() || !QCoreApplication::instance())
        return nullptr;
    const QString path = expandSocketPath(configured, QCoreApplication::applicationName());
    started() = true;
    auto *server = new ZelvoAutomationServer(QCoreApplication::instance());
    if (!server->listen(path)) {
        delete server;
        return nullptr;
    }
    return server;
}

QString ZelvoAutomationServer::expandSocketPath(const QString &configured, const QString &applicationName)
{
    // The name becomes one file name: no folder separators of its own.
    QString name = applicationName;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    if (name.isEmpty())
        name = QStringLiteral("application");
    QString path = configured;
    return path.replace(QLatin1String("%a"), name);
}

ZelvoAutomationServer *ZelvoAutomationServer::instance()
{
    return theServer();
}

ZelvoAutomationServer::ZelvoAutomationServer(QObject *parent)
    : QObject(parent)
    , m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &ZelvoAutomationServer::acceptConnections);
    if (!theServer())
        theServer() = this;
}

ZelvoAutomationServer::~ZelvoAutomationServer()
{
    m_server->close();
}

bool ZelvoAutomationServer::listen(const QString &path)
{
    // A socket left by an earlier run would make listening fail; anything
    // else at the path is not ours to remove.
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            PLATFORM_LOG_ERROR("Could not listen for UI automation at %s: the path exists and is not a socket",
                               qPrintable(path));
            return false;
        }
        QLocalServer::removeServer(path);
    }
    if (!m_server->listen(path)) {
        PLATFORM_LOG_ERROR("Could not listen for UI automation at %s: %s", qPrintable(path),
                           qPrintable(m_server->errorString()));
        return false;
    }
    return true;
}

QString ZelvoAutomationServer::socketPath() const
{
    return m_server->fullServerName();
}

void ZelvoAutomationServer::acceptConnections()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection())
        new ZelvoAutomationConnection(socket, this);
}
