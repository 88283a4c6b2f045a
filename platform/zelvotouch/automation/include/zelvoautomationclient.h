#ifndef ZELVOAUTOMATIONCLIENT_H
#define ZELVOAUTOMATIONCLIENT_H

#include <QByteArray>
#include <QJsonObject>
#include <QString>

class QLocalSocket;

// Drives a program's UI through its automation socket (ZELVO_AUTOMATION_SOCKET)
// from another process, e.g. a QtTest test that started the program. Every
// call blocks until the reply arrives; transport failures come back as
// {"ok": false, "error": ...} replies like any other failure.
//
//   ZelvoAutomationClient ui(socketPath);
//   QVERIFY(ui.connectToServer());
//   QVERIFY(ui.waitFor("serverCertificateInstallNewPage"));
//   QVERIFY(ui.click("CertmanTrust24Button"));
class ZelvoAutomationClient
{
public:
    // Without a path, the one named by ZELVO_AUTOMATION_SOCKET.
    explicit ZelvoAutomationClient(const QString &socketPath = QString());
    ~ZelvoAutomationClient();

    ZelvoAutomationClient(const ZelvoAutomationClient &) = delete;
    ZelvoAutomationClient &operator=(const ZelvoAutomationClient &) = delete;

    void setSocketPath(const QString &path);
    QString socketPath() const;

    // Tries until the program listens (it may still be starting) or the time is up.
    bool connectToServer(int timeoutMs = 10000);
    bool isConnected() const;
    void disconnectFromServer();

    // One request, one reply.
    QJsonObject send(const QJsonObject &request, int timeoutMs = 30000);

    QJsonObject widgets();
    QJsonObject pages();
    bool click(const QString &objectName);
    bool clickText(const QString &text);
    bool back();
    bool answer(const QString &button); // "Yes", "No", "Ok", "Accept", "Cancel"
    bool type(const QString &objectName, const QString &text);
    bool waitFor(const QString &objectName, int timeoutMs = 5000);
    bool waitForText(const QString &text, int timeoutMs = 5000);
    bool screenshot(const QString &path);

    QJsonObject lastReply() const;
    QString lastError() const; // the last reply's "error", or the transport's

    // The entry of a "widgets" reply with that object name, or an empty object.
    static QJsonObject findWidget(const QJsonObject &widgetsReply, const QString &objectName);
    // True when the "widgets" reply lists a widget with that object name.
    static bool hasWidget(const QJsonObject &widgetsReply, const QString &objectName);

private:
    bool succeeded(const QJsonObject &reply);
    QJsonObject transportFailure(const QString &error);

    QString m_path;
    QLocalSocket *m_socket;
    QByteArray m_buffer;
    QJsonObject m_lastReply;
};

#endif
