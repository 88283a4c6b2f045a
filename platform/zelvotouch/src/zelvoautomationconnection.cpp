#include "zelvoautomationconnection.h"

#include "platformlog.h"
#include "zelvoautomationcommands.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QTimer>

ZelvoAutomationConnection::ZelvoAutomationConnection(QLocalSocket *socket, QObject *parent)
    : QObject(parent)
    , m_socket(socket)
    , m_commands(new ZelvoAutomationCommands(this))
    , m_busy(false)
    , m_scheduled(false)
    , m_discarding(false)
{
    socket->setParent(this);
    connect(socket, &QLocalSocket::readyRead, this, &ZelvoAutomationConnection::readLines);
    connect(socket, &QLocalSocket::disconnected, this, &QObject::deleteLater);
    readLines();
}

ZelvoAutomationConnection::~ZelvoAutomationConnection() = default;

void ZelvoAutomationConnection::readLines()
{
    if (!m_socket)
        return;
    m_buffer += m_socket->readAll();
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
        if (m_discarding)
            return;
        m_discarding = true;
        QJsonObject error{ { QStringLiteral("ok"), false },
                           { QStringLiteral("error"), QStringLiteral("request line too long") } };
        send(QJsonDocument(error).toJson(QJsonDocument::Compact));
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
    if (!m_socket || m_socket->state() != QLocalSocket::ConnectedState)
        return;
    m_socket->write(line + '\n');
    // The reply must be out before an action that may end the process.
    m_socket->flush();
    m_socket->waitForBytesWritten(1000);
}
