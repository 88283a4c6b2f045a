#include "zelvoautomationclient.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QThread>

namespace {
const int connectAttemptMs = 200;
const int retryPauseMs = 50;
// The server may take a moment beyond a wait's own time to answer.
const int waitSlackMs = 5000;

void letEventsRun()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}
} // namespace

ZelvoAutomationClient::ZelvoAutomationClient(const QString &socketPath)
    : m_path(socketPath.isEmpty() ? QString::fromLocal8Bit(qgetenv("ZELVO_AUTOMATION_SOCKET")) : socketPath)
    , m_socket(new QLocalSocket)
{
}

ZelvoAutomationClient::~ZelvoAutomationClient()
{
    disconnectFromServer();
    delete m_socket;
}

void ZelvoAutomationClient::setSocketPath(const QString &path)
{
    disconnectFromServer();
    m_path = path;
}

QString ZelvoAutomationClient::socketPath() const
{
    return m_path;
}

bool ZelvoAutomationClient::connectToServer(int timeoutMs)
{
    if (isConnected())
        return true;
    if (m_path.isEmpty()) {
        transportFailure(QStringLiteral("no automation socket path"));
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    QString error;
    do {
        m_socket->abort();
        m_buffer.clear();
        m_socket->connectToServer(m_path);
        if (m_socket->waitForConnected(connectAttemptMs))
            return true;
        error = m_socket->errorString();
        letEventsRun();
        QThread::msleep(retryPauseMs);
    } while (clock.elapsed() < timeoutMs);
    transportFailure(QStringLiteral("could not connect to %1: %2").arg(m_path, error));
    return false;
}

bool ZelvoAutomationClient::isConnected() const
{
    return m_socket->state() == QLocalSocket::ConnectedState;
}

void ZelvoAutomationClient::disconnectFromServer()
{
    if (m_socket->state() != QLocalSocket::UnconnectedState) {
        m_socket->disconnectFromServer();
        if (m_socket->state() != QLocalSocket::UnconnectedState)
            m_socket->waitForDisconnected(500);
    }
    m_buffer.clear();
}

QJsonObject ZelvoAutomationClient::transportFailure(const QString &error)
{
    m_lastReply = QJsonObject{ { QStringLiteral("ok"), false }, { QStringLiteral("error"), error } };
    return m_lastReply;
}

QJsonObject ZelvoAutomationClient::send(const QJsonObject &request, int timeoutMs)
{
    if (!isConnected() && !connectToServer(qMin(timeoutMs, 10000)))
        return m_lastReply;
    m_socket->write(QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n');
    if (!m_socket->waitForBytesWritten(timeoutMs))
        return transportFailure(QStringLiteral("could not send the request: %1").arg(m_socket->errorString()));
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const int newline = m_buffer.indexOf('\n');
        if (newline >= 0) {
            const QByteArray line = m_buffer.left(newline);
            m_buffer.remove(0, newline + 1);
            const QJsonDocument doc = QJsonDocument::fromJson(line);
            if (!doc.isObject())
                return transportFailure(QStringLiteral("the reply is not a JSON object"));
            m_lastReply = doc.object();
            return m_lastReply;
        }
        const int left = timeoutMs - int(clock.elapsed());
        if (left <= 0)
            return transportFailure(QStringLiteral("no reply within %1 ms").arg(timeoutMs));
        if (m_socket->bytesAvailable() == 0 && !m_socket->waitForReadyRead(qMin(left, 100))) {
            if (m_socket->state() != QLocalSocket::ConnectedState && m_socket->bytesAvailable() == 0)
                return transportFailure(QStringLiteral("the program closed the connection"));
            letEventsRun();
        }
        m_buffer += m_socket->readAll();
    }
}

bool ZelvoAutomationClient::succeeded(const QJsonObject &reply)
{
    return reply.value(QStringLiteral("ok")).toBool();
}

QJsonObject ZelvoAutomationClient::widgets()
{
    return send(QJsonObject{ { QStringLiteral("cmd"), QStringLiteral("widgets") } });
}

QJsonObject ZelvoAutomationClient::pages()
{
    return send(QJsonObject{ { QStringLiteral("cmd"), QStringLiteral("pages") } });
}

bool ZelvoAutomationClient::click(const QString &objectName)
{
    return succeeded(send(QJsonObject{ { QStringLiteral("cmd"), QStringLiteral("click") },
                                       { QStringLiteral("objectName"), objectName } }));
}

bool ZelvoAutomationClient::clickText(const QString &text)
{
    return succeeded(
        send(QJsonObject{ { QStringLiteral("cmd"), QStringLiteral("click") }, { QStringLiteral("text"), text } }));
}

bool ZelvoAutomationClient::back()
{
    return succeeded(send(QJsonObject{ { QStringLiteral("cmd"), QStringLiteral("back") } }));
}

bool ZelvoAutomationClient::answer(const QString &button)
{
    return succeeded(
        send(QJsonObject{ { QStringLiteral("cmd"), QStringLiteral("answer") }, { QStringLiteral("button"), button } }));
}

bool ZelvoAutomationClient::type(const QString &objectName, const QString &text)
{
    return succeeded(send(QJsonObject{ { QStringLiteral("cmd"), QStringLiteral("type") },
                                       { QStringLiteral("objectName"), objectName },
                                       { QStringLiteral("text"), text } }));
}

bool ZelvoAutomationClient::waitFor(const QString &objectName, int timeoutMs)
{
    return succeeded(send(QJsonObject{ { QStringLiteral("cmd"), QStringLiteral("wait") },
                                       { QStringLiteral("objectName"), objectName },
                                       { QStringLiteral("timeout_ms"), timeoutMs } },
                          timeoutMs + waitSlackMs));
}

bool ZelvoAutomationClient::waitForText(const QString &text, int timeoutMs)
{
    return succeeded(send(QJsonObject{ { QStringLiteral("cmd"), QStringLiteral("wait") },
                                       { QStringLiteral("text"), text },
                                       { QStringLiteral("timeout_ms"), timeoutMs } },
                          timeoutMs + waitSlackMs));
}

bool ZelvoAutomationClient::screenshot(const QString &path)
{
    // The program has its own working folder.
    return succeeded(send(QJsonObject{ { QStringLiteral("cmd"), QStringLiteral("screenshot") },
                                       { QStringLiteral("path"), QFileInfo(path).absoluteFilePath() } }));
}

QJsonObject ZelvoAutomationClient::lastReply() const
{
    return m_lastReply;
}

QString ZelvoAutomationClient::lastError() const
{
    return m_lastReply.value(QStringLiteral("error")).toString();
}

QJsonObject ZelvoAutomationClient::findWidget(const QJsonObject &widgetsReply, const QString &objectName)
{
    const QJsonArray list = widgetsReply.value(QStringLiteral("widgets")).toArray();
    for (const QJsonValue &v : list) {
        const QJsonObject w = v.toObject();
        if (w.value(QStringLiteral("objectName")).toString() == objectName)
            return w;
    }
    return QJsonObject();
}

bool ZelvoAutomationClient::hasWidget(const QJsonObject &widgetsReply, const QString &objectName)
{
    return !findWidget(widgetsReply, objectName).isEmpty();
}
