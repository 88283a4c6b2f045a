#include "zelvoapplication.h"
#include "zelvoapplicationpage.h"
#include "zelvoapplicationwindow.h"
#include "zelvoautomationclient.h"
#include "zelvoautomationserver.h"
#include "zelvobutton.h"
#include "zelvodialog.h"
#include "zelvolabel.h"
#include "zelvomessagebox.h"
#include "zelvotextedit.h"

#include <QGraphicsLinearLayout>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QTemporaryDir &socketDir()
{
    static QTemporaryDir dir;
    return dir;
}

// A client in the test's own process: it must not block, because the same
// event loop serves the requests.
class InProcessClient : public QObject
{
public:
    InProcessClient()
    {
        socket.connectToServer(QString::fromLocal8Bit(qgetenv("ZELVO_AUTOMATION_SOCKET")));
        socket.waitForConnected(2000);
        connect(&socket, &QLocalSocket::readyRead, this, [this]() {
            buffer += socket.readAll();
            int newline;
            while ((newline = buffer.indexOf('\n')) >= 0) {
                replies << QJsonDocument::fromJson(buffer.left(newline)).object();
                buffer.remove(0, newline + 1);
            }
        });
    }

    void send(const QJsonObject &request) { sendRaw(QJsonDocument(request).toJson(QJsonDocument::Compact)); }
    void sendRaw(const QByteArray &line)
    {
        socket.write(line + '\n');
        socket.flush();
    }
    // Lets the event loop run until the reply is in.
    QJsonObject reply(int timeoutMs = 5000)
    {
        QElapsedTimer clock;
        clock.start();
        while (replies.isEmpty() && clock.elapsed() < timeoutMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return replies.isEmpty() ? QJsonObject{ { "ok", false }, { "error", "test: no reply" } } : replies.takeFirst();
    }
    QJsonObject call(const QJsonObject &request)
    {
        send(request);
        return reply();
    }

    QLocalSocket socket;
    QByteArray buffer;
    QList<QJsonObject> replies;
};

} // namespace

// The automation endpoint in process: what the process-level tests rely on
// without seeing it (taps refused under a box or on a disabled button, a
// password never listed, bad requests). Listing, tapping, typing and the
// answers inside nested loops are what every process test goes through.
class TestZelvoAutomation : public QObject
{
    Q_OBJECT

private:
    ZelvoApplicationPage *showPage(ZelvoApplicationWindow *window, const QString &name,
                                   const QList<QGraphicsWidget *> &widgets)
    {
        auto *page = new ZelvoApplicationPage;
        page->setObjectName(name);
        auto *layout = new QGraphicsLinearLayout(Qt::Vertical, page->centralWidget());
        for (QGraphicsWidget *w : widgets)
            layout->addItem(w);
        layout->addStretch(1);
        window->show();
        page->appear(window, ZelvoSceneWindow::DestroyWhenDone);
        QCoreApplication::processEvents();
        return page;
    }

    static QString error(const QJsonObject &reply) { return reply.value("error").toString(); }

private slots:
    void badRequests()
    {
        InProcessClient client;
        QVERIFY(client.socket.state() == QLocalSocket::ConnectedState);
        client.sendRaw("this is not json");
        QVERIFY(error(client.reply()).startsWith(QLatin1String("not JSON")));
        client.sendRaw("[1, 2]");
        QCOMPARE(client.reply().value("ok").toBool(), false);
        QVERIFY(error(client.call({ { "cmd", "explode" } })).contains(QLatin1String("unknown command")));
        QVERIFY(!client.call({ { "nocmd", 1 } }).value("ok").toBool());
        QVERIFY(!client.call({ { "cmd", "click" }, { "objectName", "nothing" } }).value("ok").toBool());
        QVERIFY(!client.call({ { "cmd", "click" } }).value("ok").toBool());
        QVERIFY(!client.call({ { "cmd", "answer" }, { "button", "Yes" } }).value("ok").toBool());
        QVERIFY(!client.call({ { "cmd", "back" } }).value("ok").toBool());
        const QJsonObject waited = client.call({ { "cmd", "wait" }, { "objectName", "never" }, { "timeout_ms", 100 } });
        QVERIFY(error(waited).contains(QLatin1String("timed out")));
        client.sendRaw(QByteArray(2 * 1024 * 1024, 'x'));
        QVERIFY(error(client.reply()).contains(QLatin1String("too long")));
        QVERIFY(client.call({ { "cmd", "pages" } }).value("ok").toBool()); // still served
    }

    // Only what a finger could reach is tapped: nothing under a box, no
    // disabled button. Ids never show raw.
    void tapsReachOnlyWhatIsUncovered()
    {
        ZelvoApplicationWindow window;
        auto *button = new ZelvoButton(QStringLiteral("Press"));
        button->setObjectName(QStringLiteral("pressButton"));
        auto *label = new ZelvoLabel(QStringLiteral("lgd_certman_no_such_label"));
        label->setObjectName(QStringLiteral("someLabel"));
        showPage(&window, QStringLiteral("clickPage"), { label, button });

        InProcessClient client;
        QCOMPARE(ZelvoAutomationClient::findWidget(client.call({ { "cmd", "widgets" } }), QStringLiteral("someLabel"))
                     .value("text")
                     .toString(),
                 QStringLiteral("No such label"));
        QSignalSpy pressed(button, &ZelvoButton::clicked);
        auto *box = new ZelvoMessageBox(QStringLiteral("Over it"));
        box->appear(&window, ZelvoSceneWindow::DestroyWhenDone);
        const QJsonObject covered = client.call({ { "cmd", "click" }, { "objectName", "pressButton" } });
        QVERIFY(error(covered).contains(QLatin1String("covered")));
        box->disappear();
        button->setEnabled(false);
        QVERIFY(!client.call({ { "cmd", "click" }, { "objectName", "pressButton" } }).value("ok").toBool());
        QCOMPARE(pressed.count(), 0);
    }

    // What is typed into a password field never comes back in a listing, and
    // only text fields take text.
    void passwordsNeverLeave()
    {
        ZelvoApplicationWindow window;
        InProcessClient client;
        ZelvoDialog dialog(QStringLiteral("Password"), QMessageBox::NoButton);
        auto *field = new ZelvoTextEdit;
        field->setObjectName(QStringLiteral("newPasswordField"));
        field->setEchoMode(ZelvoTextEdit::Password);
        auto *fields = new QGraphicsWidget;
        auto *layout = new QGraphicsLinearLayout(Qt::Vertical, fields);
        layout->addItem(field);
        auto *label = new ZelvoLabel(QStringLiteral("Name"));
        label->setObjectName(QStringLiteral("nameLabel"));
        layout->addItem(label);
        dialog.setCentralWidget(fields);
        QTimer::singleShot(0, this, [&]() {
            client.send({ { "cmd", "type" }, { "objectName", "newPasswordField" }, { "text", "s3cret" } });
            client.send({ { "cmd", "type" }, { "objectName", "nameLabel" }, { "text", "x" } });
            client.send({ { "cmd", "widgets" } });
            client.send({ { "cmd", "answer" }, { "button", "Cancel" } });
        });
        QCOMPARE(dialog.exec(&window), 0);
        QCOMPARE(field->text(), QStringLiteral("s3cret"));
        QTRY_COMPARE(client.replies.size(), 4);
        QVERIFY(error(client.replies.at(1)).contains(QLatin1String("not a text field")));
        const QJsonObject listing = client.replies.at(2);
        QVERIFY(!QJsonDocument(listing).toJson().contains("s3cret"));
        QCOMPARE(ZelvoAutomationClient::findWidget(listing, QStringLiteral("newPasswordField"))
                     .value("text")
                     .toString()
                     .size(),
                 6);
    }

    void onlyTheOwnerMayConnect()
    {
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
            | QFile::WriteOther | QFile::ExeOther;
        QCOMPARE(QFile::permissions(ZelvoAutomationServer::instance()->socketPath()) & others, QFile::Permissions());
    }

    void refusesToReplaceWhatIsNotASocket()
    {
        const QString path = socketDir().filePath(QStringLiteral("precious.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("keep me");
        file.close();
        ZelvoAutomationServer server;
        QVERIFY(!server.listen(path));
        QVERIFY(QFile::exists(path));
    }
};

int main(int argc, char **argv)
{
    qputenv("ZELVO_AUTOMATION_SOCKET", socketDir().filePath(QStringLiteral("tst.sock")).toLocal8Bit());
    ZelvoApplication app(argc, argv, QStringLiteral("tst_zelvoautomation"));
    if (!ZelvoAutomationServer::instance())
        return 1;
    TestZelvoAutomation test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_zelvoautomation.moc"
