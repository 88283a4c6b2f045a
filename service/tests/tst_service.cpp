// The D-Bus frame of the real trustkeep on a private system bus: what a
// client we did not write sees of the interface, the bus policy, the idle
// timeout with held and nested calls, a second instance and activation.

#include "certificatefactory.h"
#include "privatebus.h"
#include "temporarydeviceroot.h"
#include "trustkeepprocess.h"

#include <zelvoautomationclient.h>

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QRegularExpression>
#include <QtTest>

#include <unistd.h>

namespace {

const int idleMs = 2000;

QString serviceName()
{
    return QLatin1String(PrivateBus::serviceName);
}

// A certificate as ShowCertificateInfo takes it: Base64 of its DER image.
QString certificateText(const QString &commonName)
{
    CertificateFactory::Options options;
    options.commonName = commonName;
    const auto made = CertificateFactory::makeSelfSigned(options);
    return QString::fromLatin1(CertificateFactory::toDer(made.certificate.data()).toBase64());
}

// The pages of the service's window, bottom to top, and whether it shows.
struct WindowState {
    bool ok = false;
    bool visible = false;
    int pages = 0;
};

WindowState windowState(ZelvoAutomationClient &ui)
{
    const QJsonObject reply = ui.pages();
    WindowState state;
    state.ok = reply.value("ok").toBool();
    state.visible = reply.value("visible").toBool();
    state.pages = reply.value("pages").toArray().size();
    return state;
}

bool waitForPages(ZelvoAutomationClient &ui, int pages)
{
    return QTest::qWaitFor([&] {
        const WindowState state = windowState(ui);
        return state.ok && state.visible && state.pages == pages;
    }, 15000);
}

} // namespace

class TestService : public QObject
{
    Q_OBJECT

private:
    struct Service {
        TemporaryDeviceRoot root;
        PrivateBus bus{ root.path() };
        TrustkeepProcess trustkeep{ bus };
        ZelvoAutomationClient ui{ bus.automationSocket() };
        QElapsedTimer sinceStart;

        bool start()
        {
            if (!bus.isRunning())
                return false;
            sinceStart.start();
            trustkeep.start({ QStringLiteral("--dbus") });
            return bus.waitForName(serviceName(), true) && ui.connectToServer(15000);
        }
        QDBusPendingCall call(const QString &method, const QVariantList &arguments)
        {
            QDBusMessage message = QDBusMessage::createMethodCall(serviceName(), QStringLiteral("/request"),
                                                                  serviceName(), method);
            message.setArguments(arguments);
            return bus.connection().asyncCall(message, 120000);
        }
        bool back() { return ui.back(); }
    };

private slots:
    void introspectionShowsTheInterfaceInOrder()
    {
        Service service;
        QVERIFY(service.start());
        QProcess gdbus;
        QProcessEnvironment env = service.bus.environment();
        gdbus.setProcessEnvironment(env);
        gdbus.start(QStringLiteral("gdbus"), { "introspect", "--system", "--dest", serviceName(),
                                               "--object-path", "/request" });
        QVERIFY(gdbus.waitForFinished(30000));
        const QString text = QString::fromUtf8(gdbus.readAllStandardOutput());
        QCOMPARE(gdbus.exitCode(), 0);

        const int start = text.indexOf(QLatin1String("interface com.tavelo.certman {"));
        QVERIFY2(start >= 0, qPrintable(text));
        const QString body = text.mid(start, text.indexOf(QLatin1String("\n  };"), start) - start);
        QRegularExpression member(QStringLiteral("^\\s+(\\w+)\\(([^)]*)\\);"), QRegularExpression::MultilineOption);
        QStringList members;
        for (auto it = member.globalMatch(body); it.hasNext();) {
            const auto match = it.next();
            members << match.captured(1) + '(' + match.captured(2).simplified() + ')';
        }
        QCOMPARE(members, QStringList({
            "CheckCertificate(in s x509, out b result)",
            "GetPrivateKey(in s keyId, in s creds, out s result)",
            "GetPrivateKeyData(in s keyId, out i result)",
            "ChangePrivateKeyPassword(in s key_id, out b result)",
            "InstallCertificateToDomains(in s cert, in as domains, out b result)",
            "DeleteCertificateFromDomains(in s key, in as domains, out b result)",
            "LoadCertificatesFromDomains(in as domains, out a{sv} certs)",
            "ShowCertificateInfo(in s x509, out b result)",
            "stateChanged(s inDomain)",
        }));
        QVERIFY(body.contains(QLatin1String("@org.qtproject.QtDBus.QtTypeName.Out0(\"QVariantMap\")\n"
                                            "      LoadCertificatesFromDomains(")));
    }

    // Only the holes the shipped policy opens: another interface of the
    // service stays closed.
    void policyLetsOnlyTheInterfaceIntrospectionAndPingThrough()
    {
        Service service;
        QVERIFY(service.start());
        QDBusConnection bus = service.bus.connection();
        auto callOn = [&](const QString &interface, const QString &method, const QVariantList &arguments) {
            QDBusMessage message = QDBusMessage::createMethodCall(serviceName(), "/request", interface, method);
            message.setArguments(arguments);
            return bus.call(message, QDBus::Block, 30000);
        };
        QCOMPARE(callOn("org.freedesktop.DBus.Peer", "Ping", {}).type(), QDBusMessage::ReplyMessage);
        QCOMPARE(callOn("org.freedesktop.DBus.Introspectable", "Introspect", {}).type(), QDBusMessage::ReplyMessage);
        const QDBusMessage data = callOn(serviceName(), "GetPrivateKeyData", { QString(40, 'a') });
        QCOMPARE(data.type(), QDBusMessage::ReplyMessage);
        QCOMPARE(data.arguments().value(0).toInt(), -1);
        const QDBusMessage properties = callOn("org.freedesktop.DBus.Properties", "GetAll", { serviceName() });
        QCOMPARE(properties.type(), QDBusMessage::ErrorMessage);
        QCOMPARE(properties.errorName(), QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"));
    }

    // What a program of another user may do: check a certificate and
    // introspect the service, but neither reach its other interfaces nor
    // take its name.
    void otherUsersMayCallButNotOwn()
    {
        if (geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
            QSKIP("needs root and setpriv to act as another user");
        Service service;
        QVERIFY(service.start());
        auto asNobody = [&](const QStringList &command, QString *output) {
            QProcess process;
            process.setProcessEnvironment(service.bus.environment());
            process.start(QStringLiteral("setpriv"),
                          QStringList{ "--reuid=65534", "--regid=65534", "--clear-groups" } + command);
            process.waitForFinished(30000);
            *output = QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
            return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        };
        const QStringList gdbusCall{ "gdbus", "call", "--system", "--dest", serviceName(), "--object-path", "/request",
                                     "--method" };
        QString output;
        QVERIFY2(asNobody(gdbusCall + QStringList{ serviceName() + ".CheckCertificate", "''" }, &output),
                 qPrintable(output));
        QCOMPARE(output.trimmed(), QStringLiteral("(false,)"));
        QVERIFY2(asNobody({ "gdbus", "introspect", "--system", "--dest", serviceName(), "--object-path", "/request" },
                          &output), qPrintable(output));
        QVERIFY(output.contains(QLatin1String("interface com.tavelo.certman")));
        QVERIFY(!asNobody(gdbusCall + QStringList{ "org.freedesktop.DBus.Properties.GetAll", serviceName() }, &output));
        QVERIFY2(output.contains(QLatin1String("AccessDenied")), qPrintable(output));
        QVERIFY(!asNobody({ "dbus-send", "--system", "--print-reply", "--dest=org.freedesktop.DBus",
                            "/org/freedesktop/DBus", "org.freedesktop.DBus.RequestName",
                            "string:" + serviceName(), "uint32:4" }, &output));
        QVERIFY2(output.contains(QLatin1String("AccessDenied")), qPrintable(output));
    }

    void idleServiceEndsAboutTwoSecondsAfterStart()
    {
        Service service;
        QVERIFY(service.start());
        QVERIFY(service.trustkeep.waitForFinished());
        const qint64 lived = service.sinceStart.elapsed();
        QCOMPARE(service.trustkeep.exitCode(), 0);
        QVERIFY2(lived >= idleMs, qPrintable(QString::number(lived)));
        QVERIFY2(lived < idleMs + 10000, qPrintable(QString::number(lived)));
        QVERIFY2(service.trustkeep.logLines().filter("ERROR").isEmpty(), qPrintable(service.trustkeep.logLines().join('\n')));
    }

    void heldCallOutlastsTheIntervalAndTheCountdownStartsAtItsEnd()
    {
        Service service;
        QVERIFY(service.start());
        ZelvoAutomationClient &socket = service.ui;
        QDBusPendingCall show = service.call("ShowCertificateInfo", { certificateText("held.test") });
        QVERIFY(waitForPages(socket, 1));

        QTest::qWait(idleMs + 1000);   // past the interval since start and since the call
        QVERIFY(service.trustkeep.isRunning());
        QVERIFY(!show.isFinished());

        QVERIFY(service.back());
        QVERIFY(QTest::qWaitFor([&] { return show.isFinished(); }, 15000));
        QElapsedTimer sinceReply;
        sinceReply.start();
        QDBusPendingReply<bool> reply = show;
        QVERIFY2(reply.isValid(), qPrintable(reply.error().message()));
        QVERIFY(reply.value());

        QVERIFY(service.trustkeep.waitForFinished());
        QVERIFY2(sinceReply.elapsed() >= idleMs - 500, qPrintable(QString::number(sinceReply.elapsed())));
        QCOMPARE(service.trustkeep.exitCode(), 0);
    }

    void nestedCallKeepsTheOuterPageAndTheHold()
    {
        Service service;
        QVERIFY(service.start());
        ZelvoAutomationClient &socket = service.ui;
        QDBusPendingCall outer = service.call("ShowCertificateInfo", { certificateText("outer.test") });
        QVERIFY(waitForPages(socket, 1));
        QDBusPendingCall inner = service.call("ShowCertificateInfo", { certificateText("inner.test") });
        QVERIFY(waitForPages(socket, 2));

        QVERIFY(service.back());
        QVERIFY(QTest::qWaitFor([&] { return inner.isFinished(); }, 15000));
        QVERIFY(QDBusPendingReply<bool>(inner).value());
        // The outer call still waits: its page is up, the window shows, and
        // no countdown runs.
        WindowState state = windowState(socket);
        QVERIFY(state.ok);
        QVERIFY(state.visible);
        QCOMPARE(state.pages, 1);
        QVERIFY(!outer.isFinished());
        QTest::qWait(idleMs + 1000);
        QVERIFY(service.trustkeep.isRunning());

        QVERIFY(service.back());
        QVERIFY(QTest::qWaitFor([&] { return outer.isFinished(); }, 15000));
        QVERIFY(QDBusPendingReply<bool>(outer).value());
        state = windowState(socket);
        QVERIFY(state.ok);
        QVERIFY(!state.visible);
        QVERIFY(service.trustkeep.waitForFinished());
        QCOMPARE(service.trustkeep.exitCode(), 0);
    }

    void showRefusesWhatIsNoCertificate_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::newRow("not base64") << QStringLiteral("@@@");
        QTest::newRow("not a certificate") << QString::fromLatin1(QByteArray("hello").toBase64());
        QTest::newRow("empty") << QString();
    }

    void showRefusesWhatIsNoCertificate()
    {
        QFETCH(QString, argument);
        Service service;
        QVERIFY(service.start());
        QDBusPendingReply<bool> reply = service.call("ShowCertificateInfo", { argument });
        reply.waitForFinished();
        QVERIFY2(reply.isValid(), qPrintable(reply.error().message()));
        QVERIFY(!reply.value());
        QVERIFY(service.trustkeep.waitForLog(QStringLiteral("dbusservice(")));
        const WindowState state = windowState(service.ui);
        QVERIFY(state.ok);
        QCOMPARE(state.pages, 0);
    }

    // Calls to GetPrivateKeyData every quarter second for twice the
    // interval: if they touched the timer, the service would outlive them.
    void keyDataCallsDoNotExtendTheServicesLife()
    {
        Service service;
        QVERIFY(service.start());
        // Addressed to this process, so a call after its end cannot start
        // a new one.
        const QString owner = service.bus.connection().interface()->serviceOwner(serviceName());
        int answered = 0;
        QElapsedTimer calling;
        calling.start();
        while (service.trustkeep.isRunning() && calling.elapsed() < 2 * idleMs) {
            QDBusMessage message = QDBusMessage::createMethodCall(owner, "/request", serviceName(), "GetPrivateKeyData");
            message.setArguments({ QString(40, 'b') });
            const QDBusMessage reply = service.bus.connection().call(message, QDBus::Block, 5000);
            if (reply.type() == QDBusMessage::ReplyMessage) {
                QCOMPARE(reply.arguments().value(0).toInt(), -1);
                ++answered;
            }
            QTest::qWait(250);
            service.trustkeep.waitForFinished(0);
        }
        QVERIFY(answered > 0);
        QVERIFY(service.trustkeep.waitForFinished(idleMs));
        QVERIFY2(service.sinceStart.elapsed() < 2 * idleMs + 1000,
                 qPrintable(QString::number(service.sinceStart.elapsed())));
    }

    void secondInstanceCannotTakeTheName()
    {
        Service service;
        QVERIFY(service.start());
        QDBusPendingCall hold = service.call("ShowCertificateInfo", { certificateText("first.test") });
        QVERIFY(waitForPages(service.ui, 1));

        QProcessEnvironment env = service.bus.environment();
        env.insert(QStringLiteral("ZELVO_AUTOMATION_SOCKET"), service.root.resolve(QStringLiteral("/second.sock")));
        TrustkeepProcess second(env);
        second.start({ QStringLiteral("--dbus") });
        QVERIFY(second.waitForFinished());
        QCOMPARE(second.exitCode(), 255);
        const QStringList lines = second.logLines().filter(QStringLiteral("ERROR Failed to register service for Certman DBus service: "));
        QVERIFY2(lines.size() == 1, qPrintable(second.logLines().join('\n')));
        QVERIFY(lines.first().startsWith(QLatin1String("main(")));
        QCOMPARE(service.bus.ownerPid(serviceName()), service.trustkeep.pid());
        QVERIFY(service.back());
        QVERIFY(QTest::qWaitFor([&] { return hold.isFinished(); }, 15000));
    }

    void firstCallActivatesTheService()
    {
        TemporaryDeviceRoot root;
        PrivateBus bus(root.path());
        QVERIFY2(bus.isRunning(), qPrintable(bus.errorString()));
        QVERIFY(!bus.waitForName(serviceName(), true, 0));

        QDBusMessage message = QDBusMessage::createMethodCall(serviceName(), "/request", serviceName(), "CheckCertificate");
        message.setArguments({ QString() });
        const QDBusMessage reply = bus.connection().call(message, QDBus::Block, 30000);
        QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
        QCOMPARE(reply.arguments().value(0).toBool(), false);
        QVERIFY(bus.ownerPid(serviceName()) > 0);
        // An activated service ends by itself like any other.
        QVERIFY(bus.waitForName(serviceName(), false, 15000));
    }
};

QTEST_GUILESS_MAIN(TestService)

#include "tst_service.moc"
