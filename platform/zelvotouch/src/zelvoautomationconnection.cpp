#include "zelvoautomationconnection.h"

#include "platformlog.h"
#include "zelvoautomationcommands.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

ZelvoAutomationConnection::ZelvoAutomationConnection(int fd, QObject *parent)
    : QObject(parent)
    , m_fd(fd)
    , m_notifier(new QSocketNotifier(fd, QSocketNotifier::Read, this))
    , m_commands(new ZelvoAutomationCommands(this))
    , m_busy(false)
    , m_scheduled(false)
    , m_discarding(false)
{
    connect(m_notifier, &QSocketNotifier::activated, this, &ZelvoAutomationConnection::readLines);
    readLines();
}

ZelvoAutomationConnection::~ZelvoAutomationConnection()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void ZelvoAutomationConnection::disconnectClient()
{
    m_notifier->setEnabled(false);
    ::close(m_fd);
    m_fd = -1;
    deleteLater();
}

void ZelvoAutomationConnection::readLines()
{
    char chunk[64 * 1024];
    while (m_fd >= 0) {
        const ssize_t got = ::read(m_fd, chunk, sizeof chunk);
        if (got > 0) {
            m_buffer.append(chunk, int(got));
            takeLines();
        } else if (got < 0 && errno == EINTR) {
            continue;
        } else {
            if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
                disconnectClient();
            break;
        }
    }
}

void ZelvoAutomationConnection::takeLines()
{
    int newline;
    while ((newline = m_buffer.indexOf('\n')) >= 0) {
        const QByteArray line = m_buffer.left(newline).trimmed();
        m_buffer.remove(0, newline + 1);
        if (m_discarding)
            m_discarding = false;
        else if (!line.isEmpty())
            m_pending.enqueue(line);
    }
    if (m_buffer.size() > maximumLineLength || (m_discarding && !m_buffer.isEmpty())) {
        // A client that never ends its line must not grow the buffer forever;
        // the line is dropped up to its end.
        m_buffer.clear();
        if (!m_discarding) {
            m_discarding = true;
            QJsonObject error{ { QStringLiteral("ok"), false },
                               { QStringLiteral("error"), QStringLiteral("request line too long") } };
            send(QJsonDocument(error).toJson(QJsonDocument::Compact));
        }
    }
    if (!m_pending.isEmpty() && !m_busy && !m_scheduled) {
        m_scheduled = true;
        QTimer::singleShot(0, this, &ZelvoAutomationConnection::runNext);
    }
}

void ZelvoAutomationConnection::runNext()
{
    m_scheduled = false;
    if (m_busy || m_pending.isEmpty())
        return;
    const QByteArray line = m_pending.dequeue();
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(line, &parseError);
    QPointer<ZelvoAutomationConnection> guard(this);
    auto reply = [guard](const QJsonObject &answer) {
        if (!guard)
            return;
        guard->send(QJsonDocument(answer).toJson(QJsonDocument::Compact));
        guard->m_busy = false;
        if (!guard->m_pending.isEmpty() && !guard->m_scheduled) {
            guard->m_scheduled = true;
            QTimer::singleShot(0, guard.data(), &ZelvoAutomationConnection::runNext);
        }
    };
    if (!doc.isObject()) {
        reply(QJsonObject{ { QStringLiteral("ok"), false },
                           { QStringLiteral("error"),
                             parseError.error != QJsonParseError::NoError
                                 ? QStringLiteral("not JSON: %1").arg(parseError.errorString())
                                 : QStringLiteral("the request is not a JSON object") } });
        return;
    }
    m_busy = true;
    m_commands->execute(doc.object(), reply);
}

void ZelvoAutomationConnection::send(const QByteArray &line)
{
    // Written at once: the reply must be out before an action that may end
    // the process. A client that stops reading gets a second to catch up.
    const QByteArray data = line + '\n';
    qint64 sent = 0;
    while (m_fd >= 0 && sent < data.size()) {
        const ssize_t n = ::send(m_fd, data.constData() + sent, size_t(data.size() - sent), MSG_NOSIGNAL);
        if (n >= 0) {
            sent += n;
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            pollfd writable{ m_fd, POLLOUT, 0 };
            if (::poll(&writable, 1, 1000) <= 0)
                return;
        } else if (errno != EINTR) {
            return; // the client is gone; reading tells it
        }
    }
}
