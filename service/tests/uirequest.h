#ifndef TRUSTKEEP_UIREQUEST_H
#define TRUSTKEEP_UIREQUEST_H

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QThread>

// One request to the UI automation endpoint of a trustkeep under test (one
// JSON object per line each way). Retries the connection until the program
// listens, so it can be sent right after starting the program.
inline QJsonObject uiRequest(const QString &socketPath, const QJsonObject &request, int timeoutMs = 15000)
{
    QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(socketPath);
        if (socket.waitForConnected(500))
            break;
        if (deadline.hasExpired())
            return QJsonObject{ { "ok", false }, { "error", "no automation endpoint" } };
        QThread::msleep(50);
    }
    socket.write(QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n');
    socket.flush();
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            return QJsonObject{ { "ok", false }, { "error", "no reply" } };
    }
    return QJsonDocument::fromJson(socket.readLine()).object();
}

// Waits until a widget with the object name is visible, then sends request.
inline QJsonObject uiWaitFor(const QString &socketPath, const QString &objectName, int timeoutMs = 15000)
{
    return uiRequest(socketPath, { { "cmd", "wait" }, { "objectName", objectName }, { "timeout_ms", timeoutMs } },
                     timeoutMs + 5000);
}

#endif
