// The installer mode of the real trustkeep on an emulated device: the pages
// it shows, and what ends up in the certificate store and the trust
// database. (The screening questions themselves are tst_validityscreening's.)

#include "processtestharness.h"
#include "testmaterial.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>

namespace {

const char sslAdd[] = "bastra-certman-common-ca::CertCASSLAdd";
const char wifiAdd[] = "bastra-certman-common-ca::CertCAWifiAdd";
const char smimeAdd[] = "bastra-certman-common-ca::CertCASMIMEAdd";

using Issued = CertificateFactory::Issued;

Issued certificate(const QString &name, const QDateTime &notBefore = QDateTime(),
                   const QDateTime &notAfter = QDateTime())
{
    CertificateFactory::Options options;
    options.commonName = name;
    options.notBefore = notBefore;
    options.notAfter = notAfter;
    return CertificateFactory::makeSelfSigned(options);
}

Issued expired(const QString &name)
{
    return certificate(name, CertificateFactory::daysFromNow(-30), CertificateFactory::daysFromNow(-1));
}

QByteArray pem(const QList<Issued> &certificates, bool withKeys = false)
{
    QByteArray text;
    for (const Issued &issued : certificates) {
        text += CertificateFactory::toPem(issued.certificate.data());
        if (withKeys)
            text += CertificateFactory::keyToPem(issued.key.data());
    }
    return text;
}

QStringList domainsHolding(X509 *cert)
{
    return StoreProbe::domainsHolding(StoreProbe::keyIdOf(cert));
}

// One run of trustkeep in installer mode, driven through its automation
// socket.
struct Run {
    ProcessTestHarness h;
    TestProgram *program = nullptr;

    bool start(const QStringList &arguments = QStringList())
    {
        program = &h.startProgram(arguments);
        return h.isReady() && program->waitForStarted() && h.ui().isConnected();
    }
    ZelvoAutomationClient &ui() { return h.ui(); }
    QJsonObject waitForWidget(const QString &name)
    {
        return h.ui().waitFor(name, 10000) ? h.widget(name) : QJsonObject();
    }
    // The program's status, or -1 when it did not end (normally) in time.
    int exitStatus()
    {
        const int status = program && program->waitForFinished(20000) ? program->exitCode() : -1;
        if (status != 0)
            qWarning("%s", qPrintable(h.allOutput()));
        return status;
    }
    int keyCount() { return h.database().count(QStringLiteral("keys")); }
};

} // namespace

class TestInstaller : public QObject
{
    Q_OBJECT

private:
    // Writes a file into the emulated home.
    static void put(Run &run, const QString &name, const QByteArray &content)
    {
        QVERIFY2(CertificateFactory::writeFile(run.h.root().home() + QLatin1Char('/') + name, content),
                 qPrintable(name));
    }

    // Picks rows of the open certificate page in the given order and asks
    // for the installation.
    static void pickAndInstall(Run &run, const QList<int> &rows)
    {
        QVERIFY(run.ui().waitFor(QStringLiteral("installButton"), 10000));
        for (int row : rows)
            QVERIFY2(run.ui().click(QStringLiteral("pick_%1").arg(row)), qPrintable(run.ui().lastError()));
        QVERIFY(run.ui().click(QStringLiteral("installButton")));
    }

    // Leaves only the given purposes switched on in the settings page.
    static void choosePurposes(Run &run, const QStringList &wanted)
    {
        QVERIFY(run.ui().waitFor(QStringLiteral("certificateSettingsWidget"), 10000));
        // The switches that are not as wanted.
        const auto differing = [&] {
            QStringList names;
            for (const char *purpose : { "ssl", "wifi", "smime", "codesign" }) {
                const QString name = QStringLiteral("purpose_") + QLatin1String(purpose);
                if (run.h.widget(name).value(QStringLiteral("checked")).toBool() != wanted.contains(purpose))
                    names << name;
            }
            return names;
        };
        for (const QString &name : differing())
            QVERIFY(run.ui().click(name));
        QVERIFY(QTest::qWaitFor([&] { return differing().isEmpty(); }, 10000));
    }

private slots:
    void initTestCase() { QVERIFY2(QFile::exists(TestProgram::trustkeepBinary()), "trustkeep is not built"); }

    // No certificate file where the installer is told to look (a folder
    // that is not there; files that hold none, and paths that are no
    // folder, are certui_tst_certificatefilemodel's): the empty text; the
    // back button ends the program with 0.
    void nothingToShowShowsTheEmptyText()
    {
        Run run;
        const QStringList arguments{ run.h.root().home() + QStringLiteral("/nowhere") };
        QVERIFY(run.start(arguments));
        const QJsonObject empty = run.waitForWidget(QStringLiteral("EmptyLabel"));
        QCOMPARE(empty.value(QStringLiteral("text")).toString(), QStringLiteral("No certificates"));
        QVERIFY(!ZelvoAutomationClient::hasWidget(run.ui().widgets(), QStringLiteral("fileListSpinner")));
        QCOMPARE(run.h.pageCount(), 1);

        QVERIFY(run.ui().back());
        QCOMPARE(run.exitStatus(), 0);
    }

    // Two files: the list stays until a file is tapped; details open over
    // the certificate page; after installing from one file the user is back
    // on the list and the program goes on until the list's back button.
    void twoFilesReturnToTheListAfterInstalling()
    {
        Run run;
        const Issued first = CertificateFactory::makeCa(QStringLiteral("First Root CA"));
        const Issued second = CertificateFactory::makeCa(QStringLiteral("Second Root CA"));
        put(run, QStringLiteral("first.pem"), pem({ first }));
        put(run, QStringLiteral("certs/second.crt"), CertificateFactory::toDer(second.certificate.data()));

        QVERIFY(run.start());
        QVERIFY(run.ui().waitForText(QStringLiteral("second.crt"), 10000));
        QVERIFY(run.ui().waitForText(QStringLiteral("first.pem"), 10000));
        QCOMPARE(run.h.pageCount(), 1);

        QVERIFY(run.ui().clickText(QStringLiteral("first.pem")));
        QVERIFY(run.ui().waitFor(QStringLiteral("details_0"), 10000));
        QVERIFY(run.ui().click(QStringLiteral("details_0")));
        QVERIFY(run.ui().waitFor(QStringLiteral("certificateDetailsWidget"), 10000));
        QCOMPARE(run.h.pageCount(), 3);
        QVERIFY(run.ui().back());
        QVERIFY(run.h.waitForPages(2));

        pickAndInstall(run, { 0 });
        QVERIFY(run.ui().waitFor(QStringLiteral("certificateSettingsWidget"), 10000));
        // A certificate without a key is asked for its purposes only.
        QVERIFY(!run.h.visibleNames().contains(QStringLiteral("preferenceChooser")));
        QVERIFY(run.ui().back());
        QVERIFY(run.h.waitForPages(1));
        QVERIFY(run.program->isRunning());
        QCOMPARE(domainsHolding(first.certificate.data()),
                 (QStringList{ "ssl-ca", "wifi-ca", "smime-ca", "codesign-ca" }));
        QCOMPARE(domainsHolding(second.certificate.data()), QStringList());

        QVERIFY(run.ui().back());
        QCOMPARE(run.exitStatus(), 0);
    }

    // An expired certificate answered No: no settings page; the certificate
    // page closes as on cancel, and with one file the program ends.
    void expiredAnsweredNoEndsWithoutSettings()
    {
        Run run;
        const Issued old = expired(QStringLiteral("Old Timer"));
        put(run, QStringLiteral("old.pem"), pem({ old }));

        QVERIFY(run.start());
        pickAndInstall(run, { 0 });
        QVERIFY(!run.waitForWidget(QStringLiteral("certificateExpiredDialog")).isEmpty());
        QVERIFY(run.ui().answer(QStringLiteral("No")));
        QCOMPARE(run.exitStatus(), 0);
        QCOMPARE(domainsHolding(old.certificate.data()), QStringList());
    }

    // A CA goes into the CA domain of each chosen purpose, each opened
    // under its purpose's token for adding; a domain that cannot take it
    // (a file in its folder's place) or already holds it is logged and
    // passed over, and the others are served. No key, no key record.
    void caGoesToTheChosenDomainsUnderTheirTokensPastFailures()
    {
        Run run;
        const Issued ca = CertificateFactory::makeCa(QStringLiteral("Stubborn Root CA"));
        put(run, QStringLiteral("stubborn.pem"), pem({ ca }));
        QVERIFY(
            CertificateFactory::writeFile(run.h.root().privateDomainFolder(QStringLiteral("ssl-ca")), "not a folder"));
        QVERIFY(StoreProbe::addToDomain(QStringLiteral("wifi-ca"), ca.certificate.data()));

        run.h.recordStore();
        QVERIFY(run.start());
        pickAndInstall(run, { 0 });
        choosePurposes(run, { "ssl", "wifi", "smime" });
        QVERIFY(run.ui().back());
        QCOMPARE(run.exitStatus(), 0);

        QCOMPARE(domainsHolding(ca.certificate.data()), (QStringList{ "wifi-ca", "smime-ca" }));
        QCOMPARE(run.h.storeCalls(QStringLiteral("open")),
                 (QStringList{ QStringLiteral("open ssl-ca ") + sslAdd, QStringLiteral("open wifi-ca ") + wifiAdd,
                               QStringLiteral("open smime-ca ") + smimeAdd }));
        const QStringList log = run.program->logLines();
        // ENOTDIR for the file in the way, EEXIST for the one already there.
        for (const QString &expected : { QStringLiteral("failed adding certificate to 'ssl-ca' (20)"),
                                         QStringLiteral("failed adding certificate to 'wifi-ca' (17)") }) {
            const QRegularExpression line(QStringLiteral("^certificateinstaller\\(\\d+\\): ERROR commitSettings: ")
                                          + QRegularExpression::escape(expected) + QLatin1Char('$'));
            QVERIFY2(!log.filter(line).isEmpty(), qPrintable(log.join(QLatin1Char('\n'))));
        }
        QCOMPARE(run.keyCount(), 0);
    }

    // A user certificate with its key (PKCS#12), preference "no action",
    // purposes wifi and smime: the key record serves both user domains and
    // holds the key; the certificate is in both domains.
    void userCertificateWithKeyAndPreferenceZero()
    {
        Run run;
        const Issued ca = CertificateFactory::makeCa(QStringLiteral("Issuing CA"));
        CertificateFactory::Options options;
        options.commonName = QStringLiteral("Road Warrior");
        const Issued user = CertificateFactory::makeIssued(options, ca);
        put(run, QStringLiteral("warrior.p12"), CertificateFactory::toPkcs12(user, QByteArray()));

        QVERIFY(run.start());
        pickAndInstall(run, { 0 });
        const QJsonObject chooser = run.waitForWidget(QStringLiteral("preferenceChooser"));
        QCOMPARE(chooser.value(QStringLiteral("currentIndex")).toInt(), 2);
        QVERIFY(run.ui().click(QStringLiteral("preferenceChooser")));
        QVERIFY(run.ui().waitFor(QStringLiteral("comboEntry0"), 10000));
        QVERIFY(run.ui().click(QStringLiteral("comboEntry0")));
        QVERIFY(QTest::qWaitFor(
            [&]() {
                return run.h.widget(QStringLiteral("preferenceChooser")).value(QStringLiteral("currentIndex")).toInt()
                    == 0;
            },
            10000));
        choosePurposes(run, { "wifi", "smime" });
        QVERIFY(run.ui().back());
        QCOMPARE(run.exitStatus(), 0);

        const KeyRow row = run.h.database().keyRow(StoreProbe::keyIdOf(user.certificate.data()));
        QVERIFY(row.exists);
        QCOMPARE(row.preference, 0);
        QCOMPARE(row.cn, QStringLiteral("Road Warrior"));
        QCOMPARE(row.domains, QStringLiteral("wifi-user, smime-user"));
        QCOMPARE(row.der, (KeyMaterial{ user, QString() }.privateDer()));
        QCOMPARE(domainsHolding(user.certificate.data()), (QStringList{ "wifi-user", "smime-user" }));
    }

    // Two keys; the first is stored under a new password, the password
    // dialog of the second is cancelled: the first key stays stored, and no
    // certificate of either is added anywhere.
    void keyThatCannotBeStoredStopsTheWholeCommit()
    {
        Run run;
        const Issued alpha = certificate(QStringLiteral("Alpha Key Holder"));
        const Issued beta = certificate(QStringLiteral("Beta Key Holder"));
        put(run, QStringLiteral("pair.pem"), pem({ alpha, beta }, true));

        QVERIFY(run.start());
        pickAndInstall(run, { 0, 1 });
        QCOMPARE(run.waitForWidget(QStringLiteral("preferenceChooser")).value(QStringLiteral("currentIndex")).toInt(),
                 2);
        choosePurposes(run, { "wifi" });
        // A real tap on the window's back button: the password question it
        // leads to must take taps of its own.
        QVERIFY(run.ui().click(QStringLiteral("zelvoBackButton")));

        QVERIFY(run.h.chooseNewPassword(QStringLiteral("first secret")));
        QVERIFY(QTest::qWaitFor([&]() { return run.keyCount() == 1; }, 10000));
        QVERIFY(run.ui().waitFor(QStringLiteral("newPasswordField"), 10000));
        QVERIFY(run.ui().click(QStringLiteral("cancelButton")));
        QCOMPARE(run.exitStatus(), 0);

        QCOMPARE(run.keyCount(), 1);
        const QString alphaId = StoreProbe::keyIdOf(alpha.certificate.data());
        const QString storedId =
            run.h.database().keyRow(alphaId).exists ? alphaId : StoreProbe::keyIdOf(beta.certificate.data());
        const KeyRow row = run.h.database().keyRow(storedId);
        QVERIFY(row.exists);
        QCOMPARE(row.preference, 2);
        QVERIFY(row.der.isEmpty());
        QCOMPARE(row.domains, QStringLiteral("wifi-user"));
        QVERIFY(StoreProbe::keyOpensWith(storedId, "first secret"));

        QCOMPARE(domainsHolding(alpha.certificate.data()), QStringList());
        QCOMPARE(domainsHolding(beta.certificate.data()), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestInstaller)
#include "tst_installer.moc"
