// The D-Bus frame of the real trustkeep on a private system bus: the idle
// timeout with a held call (nested ones are tst_servicetimeout's), a second
// instance. (The bus policy is tst_access's; activation by the bus is what
// the applet's models and the control panel go through.)

#include "processtestharness.h"
#include "testmaterial.h"

#include <trustkeepservice.h>

#include <QDBusConnectionInterface>

namespace {

const int idleMs = 2000;

QString serviceName()
{
    return QLatin1String(TrustkeepService::name);
}

QString certificateText(const QString &commonName)
{
    return KeyMaterial::make(commonName).derText();
}
} // namespace

class TestService : public QObject
{
    Q_OBJECT

private slots:
    // A call that waits for the user holds the idle timer past its interval;
    // its reply gives the timer back (when the countdown then starts is
    // tst_servicetimeout's).
    void heldCallOutlastsTheInterval()
    {
        READY_HARNESS(h);
        QVERIFY(h.startService());
        QDBusPendingReply<bool> show = h.service().ShowCertificateInfo(certificateText("held.test"));
        QVERIFY(h.waitForPages(1));
        QTest::qWait(idleMs + 1000); // past the interval since start and since the call
        QVERIFY(h.serviceProgram()->isRunning());
        QVERIFY(!show.isFinished());

        QVERIFY(h.ui().back());
        QVERIFY(h.finish(show));
        QVERIFY2(show.isValid() && show.value(), qPrintable(show.error().message()));
        QVERIFY(h.serviceProgram()->waitForFinished());
        QCOMPARE(h.serviceProgram()->exitCode(), 0);
    }

    // Calls to GetPrivateKeyData every quarter second: if they held the
    // timer, the service would never end while they go on.
    void keyDataCallsDoNotExtendTheServicesLife()
    {
        READY_HARNESS(h);
        QVERIFY(h.startService());
        // Addressed to this process, so a call after its end cannot start
        // a new one.
        const QString owner = h.bus().connection().interface()->serviceOwner(serviceName());
        TrustkeepClient client(owner, QLatin1String(TrustkeepService::path), h.bus().connection());
        int answered = 0;
        for (int call = 0; call < 10 * idleMs / 250 && h.serviceProgram()->isRunning(); ++call) {
            QDBusPendingReply<int> reply = client.GetPrivateKeyData(QString(40, 'b'));
            reply.waitForFinished();
            answered += reply.isValid() && reply.value() == -1;
            QTest::qWait(250);
            h.serviceProgram()->waitForFinished(0);
        }
        QVERIFY(answered > 0);
        QVERIFY(!h.serviceProgram()->isRunning());
    }

    void secondInstanceCannotTakeTheName()
    {
        READY_HARNESS(h);
        QVERIFY(h.startService());
        QDBusPendingReply<bool> hold = h.service().ShowCertificateInfo(certificateText("first.test"));
        QVERIFY(h.waitForPages(1));

        QProcessEnvironment env = h.environment();
        env.insert(QStringLiteral("ZELVO_AUTOMATION_SOCKET"), h.root().resolve(QStringLiteral("/second.sock")));
        TestProgram second(env);
        second.start({ QStringLiteral("--dbus") });
        QVERIFY(second.waitForFinished());
        QCOMPARE(second.exitCode(), 255);
        const QStringList lines =
            second.logLines().filter(QStringLiteral("ERROR Failed to register service for Certman DBus service: "));
        QVERIFY2(lines.size() == 1, qPrintable(second.logLines().join('\n')));
        QVERIFY(lines.first().startsWith(QLatin1String("main(")));
        QCOMPARE(h.bus().ownerPid(serviceName()), h.serviceProgram()->pid());
        QVERIFY(h.ui().back());
        QVERIFY(h.finish(hold));
    }
};

QTEST_GUILESS_MAIN(TestService)

#include "tst_service.moc"
