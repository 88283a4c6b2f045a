// The command line of the real trustkeep: the service flag wherever it
// stands, and deletion mode end to end against the certificate store.

#include "certificatefactory.h"
#include "privatebus.h"
#include "temporarydeviceroot.h"
#include "trustkeepprocess.h"

#include <bastra_certman.h>
#include <zelvoautomationclient.h>

#include <QFile>
#include <QtTest>

namespace {

QString keyIdText(X509 *cert)
{
    bastra_key_id id;
    char text[BASTRA_KEY_ID_TEXT_SIZE];
    if (bastra_certman_get_cert_key_id(cert, &id) != 0 || bastra_certman_key_id_to_str(&id, text, sizeof text) != 0)
        return QString();
    return QString::fromLatin1(text);
}

bool addToDomain(const char *domain, X509 *cert)
{
    bastra_domain handle = nullptr;
    if (bastra_certman_open_domain(domain, BASTRA_DOMAIN_PRIVATE, &handle) != 0)
        return false;
    const int added = bastra_certman_add_cert(handle, cert);
    bastra_certman_close_domain(handle);
    return added == 0;
}

bool domainHolds(const char *domain, X509 *cert)
{
    bastra_key_id id;
    bastra_certman_get_cert_key_id(cert, &id);
    bastra_domain handle = nullptr;
    if (bastra_certman_open_domain(domain, BASTRA_DOMAIN_PRIVATE, &handle) != 0)
        return false;
    X509 *loaded = nullptr;
    const bool found = bastra_certman_load_cert(handle, &id, &loaded) == 0;
    X509_free(loaded);
    bastra_certman_close_domain(handle);
    return found;
}

// Answers the confirmation once it is up.
bool answerConfirmation(const QString &socket, const QString &button)
{
    ZelvoAutomationClient ui(socket);
    return ui.connectToServer(15000) && ui.waitFor(QStringLiteral("dialogButton") + button, 15000)
        && ui.answer(button);
}

const char sslAdd[] = "bastra-certman-common-ca::CertCASSLAdd";
const char wifiAdd[] = "bastra-certman-common-ca::CertCAWifiAdd";
const char codesignAdd[] = "bastra-certman-common-ca::CertCACodeSignAdd";

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private:
    // A certificate held by three private domains of three purposes and
    // one domain of no purpose that holds something else.
    struct Device {
        TemporaryDeviceRoot root;
        PrivateBus bus{ root.path() };
        CertificateFactory::Issued doomed = CertificateFactory::makeSelfSigned(options("Doomed Cert"));
        CertificateFactory::Issued bystander = CertificateFactory::makeSelfSigned(options("Bystander"));
        QString shimLog = root.resolve(QStringLiteral("/shim.log"));

        static CertificateFactory::Options options(const QString &name)
        {
            CertificateFactory::Options o;
            o.commonName = name;
            return o;
        }
        bool populate()
        {
            return addToDomain("ssl-user", doomed.certificate.data())
                && addToDomain("wifi-ca", doomed.certificate.data())
                && addToDomain("codesigning", doomed.certificate.data())
                && addToDomain("ssl-user", bystander.certificate.data())
                && addToDomain("zzz-other", bystander.certificate.data());
        }
        QProcessEnvironment environment(const QString &refuseRemovalIn = QString()) const
        {
            QProcessEnvironment env = bus.environment();
            env.insert(QStringLiteral("LD_PRELOAD"),
                       qEnvironmentVariable("TRUSTKEEP_BUILD_DIR") + QStringLiteral("/lib/libcertstoreshim.so"));
            env.insert(QStringLiteral("CERTSTORE_SHIM_LOG"), shimLog);
            if (!refuseRemovalIn.isEmpty())
                env.insert(QStringLiteral("CERTSTORE_SHIM_REFUSE_RM"), refuseRemovalIn);
            return env;
        }
        QStringList shimLines(const QString &operation) const
        {
            QFile file(shimLog);
            file.open(QIODevice::ReadOnly);
            QStringList lines;
            for (const QByteArray &line : file.readAll().split('\n')) {
                if (line.startsWith(operation.toUtf8() + ' '))
                    lines << QString::fromUtf8(line);
            }
            return lines;
        }
    };

private slots:
    void serviceFlagSelectsServiceModeWhereverItStands_data()
    {
        QTest::addColumn<QString>("programName");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("alone") << QString() << QStringList{ "--dbus" };
        QTest::newRow("after paths") << QString() << QStringList{ "/some/file.pem", "--dbus" };
        QTest::newRow("after -d") << QString() << QStringList{ "-d", "--dbus" };
        QTest::newRow("as program path") << QStringLiteral("--dbus") << QStringList();
        QTest::newRow("program path with -d") << QStringLiteral("--dbus") << QStringList{ "-d", "00" };
    }

    void serviceFlagSelectsServiceModeWhereverItStands()
    {
        QFETCH(QString, programName);
        QFETCH(QStringList, arguments);
        TemporaryDeviceRoot root;
        PrivateBus bus(root.path());
        QVERIFY2(bus.isRunning(), qPrintable(bus.errorString()));

        TrustkeepProcess trustkeep(bus);
        if (programName.isEmpty())
            trustkeep.start(arguments);
        else
            trustkeep.startAs(programName, arguments);
        QVERIFY(bus.waitForName(QLatin1String(PrivateBus::serviceName), true));
        QCOMPARE(bus.ownerPid(QLatin1String(PrivateBus::serviceName)), trustkeep.pid());
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
        QTest::newRow("not a key id")
            << QStringList{ "-d", "xyz'" } << 22 << QStringLiteral("ERROR 'xyz'' is not a valid certificate key id (");
        QTest::newRow("key id too short")
            << QStringList{ "-d", "abcd" } << 22 << QStringLiteral("ERROR 'abcd' is not a valid certificate key id (");
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
        TrustkeepProcess trustkeep(device.environment());
        trustkeep.start(arguments);
        QVERIFY(trustkeep.waitForFinished());
        QCOMPARE(trustkeep.exitCode(), status);
        if (!message.isEmpty()) {
            const QStringList lines = trustkeep.logLines().filter(message);
            QVERIFY2(lines.size() == 1, qPrintable(trustkeep.logLines().join('\n')));
            QVERIFY(lines.first().startsWith(QLatin1String("main(")));
        }
        QVERIFY(device.shimLines("rm").isEmpty());
        QVERIFY(domainHolds("ssl-user", device.doomed.certificate.data()));
    }

    void yesRemovesFromEveryDomainUnderItsPurposesToken()
    {
        Device device;
        QVERIFY(device.populate());
        const QString keyId = keyIdText(device.doomed.certificate.data());

        TrustkeepProcess trustkeep(device.environment());
        trustkeep.start({ "-d", keyId.toUpper() });
        QVERIFY(answerConfirmation(device.bus.automationSocket(), QStringLiteral("Yes")));
        QVERIFY(trustkeep.waitForFinished());
        QCOMPARE(trustkeep.exitCode(), 0);

        QVERIFY(!domainHolds("ssl-user", device.doomed.certificate.data()));
        QVERIFY(!domainHolds("wifi-ca", device.doomed.certificate.data()));
        QVERIFY(!domainHolds("codesigning", device.doomed.certificate.data()));
        QVERIFY(domainHolds("ssl-user", device.bystander.certificate.data()));
        QVERIFY(domainHolds("zzz-other", device.bystander.certificate.data()));

        QCOMPARE(device.shimLines("rm"),
                 QStringList({ QStringLiteral("rm codesigning ") + codesignAdd,
                               QStringLiteral("rm ssl-user ") + sslAdd,
                               QStringLiteral("rm wifi-ca ") + wifiAdd }));
        const QStringList loads = device.shimLines("load");
        QVERIFY(loads.contains("load ssl-user bastra-certman-common-ca::CertUserSSLUse"));
        QVERIFY(loads.contains("load wifi-ca bastra-certman-common-ca::CertUserWifiUse"));
        QVERIFY(loads.contains("load codesigning bastra-certman-common-ca::CertCACodeSignUse"));
    }

    void noLeavesEveryDomainUntouched()
    {
        Device device;
        QVERIFY(device.populate());
        TrustkeepProcess trustkeep(device.environment());
        trustkeep.start({ "-d", keyIdText(device.doomed.certificate.data()) });
        ZelvoAutomationClient ui(device.bus.automationSocket());
        QVERIFY(ui.connectToServer(15000));
        QVERIFY(ui.waitFor(QStringLiteral("dialogButtonNo"), 15000));
        // The one question shows the certificate it is about.
        const QByteArray widgets = QJsonDocument(ui.widgets()).toJson();
        QVERIFY2(widgets.contains("Doomed Cert"), widgets.constData());
        QVERIFY(ui.answer(QStringLiteral("No")));
        QVERIFY(trustkeep.waitForFinished());
        QCOMPARE(trustkeep.exitCode(), 125);
        QVERIFY(device.shimLines("rm").isEmpty());
        QVERIFY(domainHolds("ssl-user", device.doomed.certificate.data()));
        QVERIFY(domainHolds("wifi-ca", device.doomed.certificate.data()));
        QVERIFY(domainHolds("codesigning", device.doomed.certificate.data()));
    }

    void refusedRemovalIsReportedAndTheOthersStillGo()
    {
        Device device;
        QVERIFY(device.populate());
        TrustkeepProcess trustkeep(device.environment(QStringLiteral("wifi-ca")));
        trustkeep.start({ "-d", keyIdText(device.doomed.certificate.data()) });
        QVERIFY(answerConfirmation(device.bus.automationSocket(), QStringLiteral("Yes")));
        QVERIFY(trustkeep.waitForFinished());
        QCOMPARE(trustkeep.exitCode(), 5);
        QVERIFY2(trustkeep.hasLog(QStringLiteral("ERROR Failed removing the certificate from domain wifi-ca (13)")),
                 qPrintable(trustkeep.logLines().join('\n')));
        QVERIFY(!domainHolds("ssl-user", device.doomed.certificate.data()));
        QVERIFY(!domainHolds("codesigning", device.doomed.certificate.data()));
        QVERIFY(domainHolds("wifi-ca", device.doomed.certificate.data()));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)

#include "tst_commandline.moc"
