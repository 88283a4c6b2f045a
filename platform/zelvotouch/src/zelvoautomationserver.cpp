#include "zelvoautomationserver.h"

#include "platformlog.h"
#include "zelvoautomationconnection.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

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

bool toAddress(const QByteArray &path, sockaddr_un *address)
{
    std::memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    if (path.isEmpty() || size_t(path.size()) >= sizeof address->sun_path)
        return false;
    std::memcpy(address->sun_path, path.constData(), size_t(path.size()));
    return true;
}

// A listening socket at `path` that only its owner may connect to. The
// socket's own mode is set before it is bound, so its file is made with that
// mode and is never reachable with looser rights; the mode is set on the file
// again in case a kernel does not carry it over. -1 with the cause on failure.
int listenPrivately(const QByteArray &path, QString *error)
{
    sockaddr_un address;
    if (!toAddress(path, &address)) {
        *error = QStringLiteral("the path is too long");
        return -1;
    }
    const mode_t ownerOnly = S_IRUSR | S_IWUSR;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return -1;
    }
    if (::fchmod(fd, ownerOnly) != 0 || ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return -1;
    }
    if (::chmod(path.constData(), ownerOnly) != 0 || ::listen(fd, SOMAXCONN) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        ::unlink(path.constData());
        return -1;
    }
    return fd;
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
    , m_fd(-1)
    , m_notifier(nullptr)
{
    if (!theServer())
        theServer() = this;
}

ZelvoAutomationServer::~ZelvoAutomationServer()
{
    close();
}

void ZelvoAutomationServer::close()
{
    if (m_fd < 0)
        return;
    delete m_notifier;
    m_notifier = nullptr;
    ::close(m_fd);
    m_fd = -1;
    ::unlink(QFile::encodeName(m_path).constData());
    m_path.clear();
}

bool ZelvoAutomationServer::listen(const QString &path)
{
    close();
    const QString full = QDir::isAbsolutePath(path) ? path : QDir::temp().filePath(path);
    const QByteArray name = QFile::encodeName(full);
    // A socket left by an earlier run would make listening fail; anything
    // else at the path is not ours to remove.
    struct stat st;
    if (::lstat(name.constData(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            PLATFORM_LOG_ERROR("Could not listen for UI automation at %s: the path exists and is not a socket",
                               qPrintable(full));
            return false;
        }
        ::unlink(name.constData());
    }
    QString error;
    m_fd = listenPrivately(name, &error);
    if (m_fd < 0) {
        PLATFORM_LOG_ERROR("Could not listen for UI automation at %s: %s", qPrintable(full), qPrintable(error));
        return false;
    }
    m_path = full;
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ZelvoAutomationServer::acceptConnections);
    return true;
}

QString ZelvoAutomationServer::socketPath() const
{
    return m_path;
}

void ZelvoAutomationServer::acceptConnections()
{
    int client;
    while ((client = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK)) >= 0)
        new ZelvoAutomationConnection(client, this);
}
