// The command line of the real trustkeep: the service flag wherever it
// stands, and deletion mode end to end against the certificate store (the
// store shim records every removal and the token it ran under).

#include "processtestharness.h"
#include "testmaterial.h"

#include <QJsonDocument>

namespace {

const QString sslAdd = QStringLiteral("bastra-certman-common-ca::CertCASSLAdd");
const QString wifiAdd = QStringLiteral("bastra-certman-common-ca::CertCAWifiAdd");
const QString codesignAdd = QStringLiteral("bastra-certman-common-ca::CertCACodeSignAdd");

// A certificate held by three private domains of three purposes, and a
// bystander in one of them and in a domain of no purpose.
struct Device {
    ProcessTestHarness h;
    KeyMaterial doomed = KeyMaterial::make(QStringLiteral("Doomed Cert"));
    KeyMaterial bystander = KeyMaterial::make(QStringLiteral("Bystander"));

    bool populate()
    {
        h.recordStore();
        return h.isReady() && StoreProbe::addToDomain("ssl-user", doomed.certificate())
            && StoreProbe::addToDomain("wifi-ca", doomed.certificate())
            && StoreProbe::addToDomain("codesigning", doomed.certificate())
            && StoreProbe::addToDomain("ssl-user", bystander.certificate())
            && StoreProbe::addToDomain("zzz-other", bystander.certificate());
    }
    bool holds(const QString &domain) const { return StoreProbe::domainHolds(domain, doomed.keyId); }
};

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void serviceFlagSelectsServiceModeWhereverItStands_data()
    {
        QTest::addColumn<QString>("programName");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("after paths") << QString() << QStringList{ "/some/file.pem", "--dbus" };
        QTest::newRow("program path with -d") << QStringLiteral("--dbus") << QStringList{ "-d", "00" };
    }

    void serviceFlagSelectsServiceModeWhereverItStands()
    {
        QFETCH(QString, programName);
        QFETCH(QStringList, arguments);
        READY_HARNESS(h);
        TestProgram trustkeep(h.environment());
        if (programName.isEmpty())
            trustkeep.start(arguments);
        else
            trustkeep.startAs(programName, arguments);
        QVERIFY(h.bus().waitForName(QStringLiteral("com.tavelo.certman"), true));
        QCOMPARE(h.bus().ownerPid(QStringLiteral("com.tavelo.certman")), trustkeep.pid());
        // The idle timer ends it; the event loop's result is the status.
        QVERIFY(trustkeep.waitForFinished());
        QCOMPARE(trustkeep.exitCode(), 0);
    }

    void malformedDeletionRequestsEndWithoutAsking_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("-d alone") << QStringList{ "-d" } << 22 << QStringLiteral("ERROR Invalid arguments");
        QTest::newRow("two entries after -d")
            << QStringList{ "-d", QString(40, '0'), "extra" } << 22 << QStringLiteral("ERROR Invalid arguments");
        QTest::newRow("not a key id") << QStringList{ "-d", "xyz'" } << 22
                                      << QStringLiteral("ERROR 'xyz'' is not a valid certificate key id (");
        QTest::newRow("held nowhere") << QStringList{ "-d", QString(40, 'a') } << 2 << QString();
    }

    void malformedDeletionRequestsEndWithoutAsking()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, message);
        Device device;
        QVERIFY(device.populate());
        // No answer is ever given: a confirmation would keep the program
        // waiting and the test would time out.
        TestProgram &trustkeep = device.h.startProgram(arguments);
        QVERIFY(trustkeep.waitForFinished());
        QCOMPARE(trustkeep.exitCode(), status);
        if (!message.isEmpty()) {
            const QStringList lines = trustkeep.logLines().filter(message);
            QVERIFY2(lines.size() == 1, qPrintable(trustkeep.logLines().join('\n')));
            QVERIFY(lines.first().startsWith(QLatin1String("main(")));
        }
        QVERIFY(device.h.storeCalls(QStringLiteral("rm")).isEmpty());
        QVERIFY(device.holds(QStringLiteral("ssl-user")));
    }

    // The one question shows the certificate; each domain that holds it is
    // loaded under its purpose's use token and, after a yes, emptied under
    // its add token; a refused removal is reported and the others still go.
    void deletionAsksOnceAndRemovesUnderThePurposesTokens_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("refusedDomain");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("yes") << "Yes" << QString() << 0 << QStringList();
        QTest::newRow("no") << "No" << QString() << 125 << QStringList{ "ssl-user", "wifi-ca", "codesigning" };
        QTest::newRow("yes, one refused") << "Yes"
                                          << "wifi-ca" << 5 << QStringList{ "wifi-ca" };
    }

    void deletionAsksOnceAndRemovesUnderThePurposesTokens()
    {
        QFETCH(QString, answer);
        QFETCH(QString, refusedDomain);
        QFETCH(int, status);
        QFETCH(QStringList, kept);
        Device device;
        QVERIFY(device.populate());
        if (!refusedDomain.isEmpty())
            device.h.refuseStoreRemoval(refusedDomain);

        TestProgram &trustkeep = device.h.startProgram({ "-d", device.doomed.keyId.toUpper() });
        ZelvoAutomationClient &ui = device.h.ui();
        QVERIFY(ui.waitFor(QStringLiteral("dialogButton") + answer, 15000));
        QVERIFY(QJsonDocument(ui.widgets()).toJson().contains("Doomed Cert"));
        QVERIFY(ui.answer(answer));
        QVERIFY(trustkeep.waitForFinished());
        QCOMPARE(trustkeep.exitCode(), status);

        for (const QString domain : { "ssl-user", "wifi-ca", "codesigning" })
            QVERIFY2(device.holds(domain) == kept.contains(domain), qPrintable(domain));
        QVERIFY(StoreProbe::domainHolds(QStringLiteral("ssl-user"), device.bystander.keyId));
        QVERIFY(StoreProbe::domainHolds(QStringLiteral("zzz-other"), device.bystander.keyId));
        const QStringList loads = device.h.storeCalls(QStringLiteral("load"));
        QVERIFY(loads.contains("load ssl-user bastra-certman-common-ca::CertUserSSLUse"));
        QVERIFY(loads.contains("load wifi-ca bastra-certman-common-ca::CertUserWifiUse"));
        QVERIFY(loads.contains("load codesigning bastra-certman-common-ca::CertCACodeSignUse"));
        const QStringList removals = answer == QLatin1String("No")
            ? QStringList()
            : QStringList{ "rm codesigning " + codesignAdd, "rm ssl-user " + sslAdd, "rm wifi-ca " + wifiAdd };
        QCOMPARE(device.h.storeCalls(QStringLiteral("rm")), removals);
        if (!refusedDomain.isEmpty())
            QVERIFY2(trustkeep.hasLog(QStringLiteral("ERROR Failed removing the certificate from domain wifi-ca (13)")),
                     qPrintable(trustkeep.logLines().join('\n')));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)

#include "tst_commandline.moc"
