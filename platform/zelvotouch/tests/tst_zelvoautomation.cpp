#include "zelvoapplication.h"
#include "zelvoapplicationpage.h"
#include "zelvoapplicationwindow.h"
#include "zelvoautomationclient.h"
#include "zelvoautomationserver.h"
#include "zelvobutton.h"
#include "zelvodialog.h"
#include "zelvolabel.h"
#include "zelvolist.h"
#include "zelvomessagebox.h"
#include "zelvotextedit.h"

#include <QGraphicsLinearLayout>
#include <QGraphicsSceneMouseEvent>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QProcess>
#include <QStandardItemModel>
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

// A widget of another library: it handles taps itself.
class ForeignWidget : public QGraphicsWidget
{
public:
    ForeignWidget() { setPreferredSize(200, 80); }
    int taps = 0;

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override { event->accept(); }
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override
    {
        if (rect().contains(event->pos()))
            ++taps;
    }
};

} // namespace

// The automation endpoint in process: what every process-level test relies
// on (listing, tapping, typing, answers inside nested loops, bad requests).
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

    void listingAndClicking()
    {
        ZelvoApplicationWindow window;
        auto *button = new ZelvoButton(QStringLiteral("Press"));
        button->setObjectName(QStringLiteral("pressButton"));
        button->setStyleName(QStringLiteral("CommonTopButtonInverted"));
        auto *label = new ZelvoLabel(QStringLiteral("lgd_certman_no_such_label"));
        label->setObjectName(QStringLiteral("someLabel"));
        auto *foreign = new ForeignWidget;
        foreign->setObjectName(QStringLiteral("foreign"));
        QStandardItemModel model;
        model.appendRow(new QStandardItem(QStringLiteral("alpha")));
        model.appendRow(new QStandardItem(QStringLiteral("beta")));
        auto *list = new ZelvoList;
        list->setItemModel(&model);
        ZelvoApplicationPage *page = showPage(&window, QStringLiteral("clickPage"), { label, button, foreign, list });
        page->setEscapeMode(ZelvoApplicationPage::EscapeManualBack);

        InProcessClient client;
        const QJsonObject listing = client.call({ { "cmd", "widgets" } });
        QVERIFY(listing.value("ok").toBool());
        QCOMPARE(listing.value("page").toObject().value("objectName").toString(), QStringLiteral("clickPage"));
        QCOMPARE(listing.value("page").toObject().value("escapeMode").toInt(), 1);
        const QJsonObject b = ZelvoAutomationClient::findWidget(listing, QStringLiteral("pressButton"));
        QCOMPARE(b.value("class").toString(), QStringLiteral("ZelvoButton"));
        QCOMPARE(b.value("styleName").toString(), QStringLiteral("CommonTopButtonInverted"));
        QCOMPARE(b.value("text").toString(), QStringLiteral("Press"));
        QCOMPARE(b.value("enabled").toBool(), true);
        // Never a raw id, even for a text no catalog holds.
        QCOMPARE(ZelvoAutomationClient::findWidget(listing, QStringLiteral("someLabel")).value("text").toString(),
                 QStringLiteral("No such label"));

        QSignalSpy pressed(button, &ZelvoButton::clicked);
        QVERIFY(client.call({ { "cmd", "click" }, { "objectName", "pressButton" } }).value("ok").toBool());
        QTRY_COMPARE(pressed.count(), 1);
        QVERIFY(client.call({ { "cmd", "click" }, { "text", "Press" } }).value("ok").toBool());
        QTRY_COMPARE(pressed.count(), 2);
        QVERIFY(client.call({ { "cmd", "click" }, { "objectName", "foreign" } }).value("ok").toBool());
        QTRY_COMPARE(foreign->taps, 1);
        QSignalSpy rows(list, &ZelvoList::itemClicked);
        QVERIFY(client.call({ { "cmd", "click" }, { "text", "beta" } }).value("ok").toBool());
        QTRY_COMPARE(rows.count(), 1);
        QCOMPARE(rows.first().first().value<QModelIndex>().row(), 1);

        // Nothing under a modal box can be tapped.
        auto *box = new ZelvoMessageBox(QStringLiteral("Over it"));
        box->appear(&window, ZelvoSceneWindow::DestroyWhenDone);
        const QJsonObject covered = client.call({ { "cmd", "click" }, { "objectName", "pressButton" } });
        QVERIFY(error(covered).contains(QLatin1String("covered")));
        box->disappear();

        button->setEnabled(false);
        QVERIFY(!client.call({ { "cmd", "click" }, { "objectName", "pressButton" } }).value("ok").toBool());

        QSignalSpy back(page, &ZelvoApplicationPage::backButtonClicked);
        QVERIFY(client.call({ { "cmd", "back" } }).value("ok").toBool());
        QTRY_COMPARE(back.count(), 1);

        const QJsonObject stack = client.call({ { "cmd", "pages" } });
        QCOMPARE(stack.value("visible").toBool(), true);
        QCOMPARE(stack.value("pages").toArray().size(), 1);
        QCOMPARE(stack.value("pages").toArray().first().toObject().value("objectName").toString(),
                 QStringLiteral("clickPage"));

        const QString shot = socketDir().filePath(QStringLiteral("inprocess.png"));
        const QJsonObject saved = client.call({ { "cmd", "screenshot" }, { "path", shot } });
        QVERIFY(saved.value("ok").toBool());
        QCOMPARE(QImage(shot).size(), QSize(480, 854));
        QVERIFY(!client.call({ { "cmd", "screenshot" }, { "path", "/nonexistent/dir/x.png" } }).value("ok").toBool());
    }

    void answersInsideNestedLoops()
    {
        ZelvoApplicationWindow window;
        showPage(&window, QStringLiteral("base"), {});
        InProcessClient client;

        ZelvoMessageBox box(QStringLiteral("Expired"), QStringLiteral("Install?"), QMessageBox::Yes | QMessageBox::No);
        box.setObjectName(QStringLiteral("certificateExpiredDialog"));
        QTimer::singleShot(0, this, [&]() {
            client.send({ { "cmd", "wait" }, { "objectName", "certificateExpiredDialog" } });
            client.send({ { "cmd", "answer" }, { "button", "No" } });
        });
        QCOMPARE(box.exec(), int(QMessageBox::No));
        QTRY_COMPARE(client.replies.size(), 2);
        QCOMPARE(client.replies.takeFirst().value("text").toString(), QStringLiteral("Install?"));
        QVERIFY(client.replies.takeFirst().value("ok").toBool());

        QTimer::singleShot(0, this, [&]() { client.send({ { "cmd", "answer" }, { "button", "Accept" } }); });
        QCOMPARE(box.exec(), int(QMessageBox::Yes));
        QTimer::singleShot(0, this, [&]() { client.send({ { "cmd", "answer" }, { "button", "Cancel" } }); });
        QCOMPARE(box.exec(), int(QMessageBox::NoButton));
        QTRY_COMPARE(client.replies.size(), 2);
        client.replies.clear();
        QTimer::singleShot(0, this, [&]() {
            client.send({ { "cmd", "answer" }, { "button", "Ok" } }); // no such button: refused
            client.send({ { "cmd", "answer" }, { "button", "Maybe" } });
            client.send({ { "cmd", "answer" }, { "button", "Yes" } });
        });
        QCOMPARE(box.exec(), int(QMessageBox::Yes));
        QTRY_COMPARE(client.replies.size(), 3);
        QVERIFY(error(client.replies.takeFirst()).contains(QLatin1String("no Ok button")));
        QVERIFY(error(client.replies.takeFirst()).contains(QLatin1String("unknown answer")));
    }

    void typingIntoADialog()
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
        ZelvoButton *accept = dialog.addButton(QStringLiteral("Done"), QMessageBox::AcceptRole);
        accept->setObjectName(QStringLiteral("acceptButton"));
        QJsonObject listing;
        QTimer::singleShot(0, this, [&]() {
            client.send({ { "cmd", "type" }, { "objectName", "newPasswordField" }, { "text", "s3cret" } });
            client.send({ { "cmd", "type" }, { "objectName", "nameLabel" }, { "text", "x" } });
            client.send({ { "cmd", "widgets" } });
            client.send({ { "cmd", "click" }, { "objectName", "acceptButton" } });
        });
        QVERIFY(dialog.exec(&window) != 0);
        QCOMPARE(field->text(), QStringLiteral("s3cret"));
        QTRY_COMPARE(client.replies.size(), 4);
        QVERIFY(client.replies.at(0).value("ok").toBool());
        QVERIFY(error(client.replies.at(1)).contains(QLatin1String("not a text field")));
        listing = client.replies.at(2);
        const QJsonObject shown = ZelvoAutomationClient::findWidget(listing, QStringLiteral("newPasswordField"));
        QCOMPARE(shown.value("layer").toString(), QStringLiteral("dialog"));
        QVERIFY(!QJsonDocument(listing).toJson().contains("s3cret")); // a password never leaves
        QCOMPARE(shown.value("text").toString().size(), 6);

        QTimer::singleShot(0, this, [&]() { client.send({ { "cmd", "answer" }, { "button", "Cancel" } }); });
        QCOMPARE(dialog.exec(&window), 0);
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
