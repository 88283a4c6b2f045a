// The domain methods of the real service: installing DER text and
// serialized items with keys (the removal from dropped purposes is
// tst_honestreplies'), deleting with the key record, listing domains with
// the server certificates (repeated keys as a client we did not write sees
// them), and showing a certificate.

#include "processtestharness.h"
#include "testmaterial.h"

#include <trustkeepservice.h>

#include <QRegularExpression>

namespace {

using Entry = QPair<QString, QString>; // Base64 DER, domain name

QString derOf(X509 *cert)
{
    return QString::fromLatin1(CertificateFactory::toDer(cert).toBase64());
}

} // namespace

class TestDomainMethods : public QObject
{
    Q_OBJECT

private:
    // LoadCertificatesFromDomains as gdbus prints it: every dictionary
    // entry, repeated keys included, in the order they came.
    static QList<Entry> loadWithGdbus(ProcessTestHarness &h, const QStringList &domains, QString *error)
    {
        h.service().LoadCertificatesFromDomains({}).waitForFinished(); // a service is up
        QStringList quoted;
        for (const QString &domain : domains)
            quoted << QLatin1Char('\'') + domain + QLatin1Char('\'');
        QProcess gdbus;
        gdbus.setProcessEnvironment(h.environment());
        gdbus.start(QStringLiteral("gdbus"),
                    { "call", "--system", "--dest", QLatin1String(TrustkeepService::name), "--object-path", "/request",
                      "--method", "com.tavelo.certman.LoadCertificatesFromDomains",
                      domains.isEmpty() ? QStringLiteral("@as []") : '[' + quoted.join(',') + ']' });
        QList<Entry> entries;
        if (!gdbus.waitForFinished(30000) || gdbus.exitCode() != 0) {
            *error = QString::fromUtf8(gdbus.readAllStandardError());
            return entries;
        }
        const QString text = QString::fromUtf8(gdbus.readAllStandardOutput());
        QRegularExpression entry(QStringLiteral("'([A-Za-z0-9+/=]+)': <'([^']*)'>"));
        for (auto it = entry.globalMatch(text); it.hasNext();) {
            const auto match = it.next();
            entries << Entry(match.captured(1), match.captured(2));
        }
        if (entries.isEmpty() && !text.startsWith(QLatin1String("({},)")))
            *error = text;
        return entries;
    }

    static QList<Entry> sorted(QList<Entry> entries)
    {
        std::sort(entries.begin(), entries.end());
        return entries;
    }

private slots:
    void installDerText()
    {
        READY_HARNESS(h);
        const KeyMaterial ca = KeyMaterial::make(QStringLiteral("Der Root CA"), true);

        // Each domain is opened under its purpose's token for adding.
        h.recordStore();
        QVERIFY(h.install(ca.derText(), { "ssl-ca", "wifi-ca" }));
        QCOMPARE(h.storeCalls(QStringLiteral("open")),
                 QStringList({ "open ssl-ca bastra-certman-common-ca::CertCASSLAdd",
                               "open wifi-ca bastra-certman-common-ca::CertCAWifiAdd" }));
        QCOMPARE(StoreProbe::domainsHolding(ca.keyId), QStringList({ "ssl-ca", "wifi-ca" }));

        // Already there: logged with 17, still a success. Plain DER never
        // removes anything and never records a key.
        h.markLog();
        QVERIFY(h.install(ca.derText(), { "ssl-ca" }));
        QVERIFY(
            h.waitForLog(QStringLiteral("ERROR _installCertToDomains: failed adding certificate to 'ssl-ca' (17)")));
        QCOMPARE(StoreProbe::domainsHolding(ca.keyId), QStringList({ "ssl-ca", "wifi-ca" }));
        QVERIFY(!h.database().keyRow(ca.keyId).exists);
    }

    void installSerializedItemKeyFirst()
    {
        READY_HARNESS(h);
        const KeyMaterial user = KeyMaterial::make(QStringLiteral("user.test"));
        QVERIFY(h.install(user.itemText(1), { "ssl-user", "smime-user" }));
        QCOMPARE(StoreProbe::domainsHolding(user.keyId), QStringList({ "ssl-user", "smime-user" }));
        const KeyRow row = h.database().keyRow(user.keyId);
        QVERIFY(row.exists);
        QCOMPARE(row.preference, 1);
        QCOMPARE(row.domains, QStringLiteral("ssl-user, smime-user"));

        // A key that is not recorded (the user cancels its password) leaves
        // every domain untouched.
        const KeyMaterial refused = KeyMaterial::make(QStringLiteral("refused.test"));
        QDBusPendingReply<bool> pending = h.service().InstallCertificateToDomains(refused.itemText(2), { "wifi-user" });
        QVERIFY(h.tap(QStringLiteral("cancelButton")));
        QVERIFY(h.answeredFalse(pending));
        QVERIFY(StoreProbe::domainsHolding(refused.keyId).isEmpty());
        QVERIFY(!h.database().keyRow(refused.keyId).exists);
    }

    void deleteWithTheKeyRecord()
    {
        READY_HARNESS(h);
        const KeyMaterial user = KeyMaterial::make(QStringLiteral("deleted.test"));
        const KeyMaterial ca = KeyMaterial::make(QStringLiteral("Deleted CA"), true);
        QVERIFY(h.install(user.itemText(0), { "ssl-user", "wifi-user" }));
        QVERIFY(h.install(ca.derText(), { "ssl-ca" }));

        // Nothing named: nothing removed; the answer is the record step's.
        QVERIFY(h.remove(ca.keyId, {}));
        QVERIFY(h.remove(user.keyId, {}));
        QCOMPARE(h.database().keyRow(user.keyId).domains, QStringLiteral("ssl-user, wifi-user"));

        h.markLog();
        QVERIFY(!h.remove(ca.keyId, { "smime-ca" }));
        QVERIFY(h.waitForLog(QStringLiteral("ERROR DeleteCertificateFromDomains: failed removing cert (2)")));
        QVERIFY(!h.remove(QStringLiteral("nonsense"), { "ssl-ca" }));
        QVERIFY(h.waitForLog(
            QStringLiteral("ERROR DeleteCertificateFromDomains: 'nonsense' is not a valid certificate key id (")));
        QVERIFY(!h.remove(ca.keyId, { "../ssl-ca" }));
        QVERIFY(h.waitForLog(QStringLiteral("ERROR DeleteCertificateFromDomains: invalid domain name '../ssl-ca'")));
        QVERIFY(StoreProbe::domainHolds(QStringLiteral("ssl-ca"), ca.keyId));

        QVERIFY(h.remove(ca.keyId, { "ssl-ca" }));
        QVERIFY(StoreProbe::domainsHolding(ca.keyId).isEmpty());

        QVERIFY(h.remove(user.keyId, { "wifi-user" }));
        QCOMPARE(StoreProbe::domainsHolding(user.keyId), QStringList("ssl-user"));
        QCOMPARE(h.database().keyRow(user.keyId).domains, QStringLiteral("ssl-user"));
        QVERIFY(h.remove(user.keyId, { "ssl-user" }));
        QVERIFY(!h.database().keyRow(user.keyId).exists);
    }

    void loadListsDomainsAndServerCertificates()
    {
        READY_HARNESS(h);
        const KeyMaterial common = KeyMaterial::make(QStringLiteral("Common CA"), true);
        const KeyMaterial signer = KeyMaterial::make(QStringLiteral("Software Maker CA"), true);
        const KeyMaterial twice = KeyMaterial::make(QStringLiteral("Twice CA"), true);
        const KeyMaterial server = KeyMaterial::make(QStringLiteral("server.test"));
        QVERIFY(h.root().addSharedCertificate(QStringLiteral("common-ca"), common.certificate()));
        QVERIFY(h.root().addSharedCertificate(QStringLiteral("codesigning"), signer.certificate()));
        QVERIFY(h.install(twice.derText(), { "ssl-ca", "wifi-ca" }));
        QVERIFY(h.database().addTrustRecord(QStringLiteral("Twice CA"), 1, QVariant(), twice.der()) > 0);
        QVERIFY(h.database().addTrustRecord(QStringLiteral("server.test"), 1, QVariant(), server.der()) > 0);

        const QStringList domains{ "common-ca", "ssl-ca", "wifi-ca", "codesigning", "../nowhere", "smime-ca" };
        QString error;
        h.markLog();
        const QList<Entry> entries = loadWithGdbus(h, domains, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(sorted(entries),
                 sorted({
                     Entry(derOf(common.certificate()), "common-ca"),
                     Entry(derOf(twice.certificate()), "ssl-ca"),
                     Entry(derOf(twice.certificate()), "wifi-ca"),
                     Entry(derOf(signer.certificate()), "common-codesigning-ca"),
                     Entry(derOf(twice.certificate()), "server"),
                     Entry(derOf(server.certificate()), "server"),
                 }));
        QVERIFY(h.waitForLog(QStringLiteral("ERROR LoadCertificatesFromDomains: failed opening domain ../nowhere (")));

        // A Qt client asking for a QVariantMap gets the certificates too.
        const QVariantMap listed = h.service().LoadCertificatesFromDomains(domains).value();
        QCOMPARE(listed.value(derOf(common.certificate())).toString(), QStringLiteral("common-ca"));
    }

    void showChecksTheCertificateAndWaitsForBack()
    {
        READY_HARNESS(h);
        auto show = [&](const QString &text) { return h.succeeded(h.service().ShowCertificateInfo(text)); };
        h.markLog();
        // (Text that is no certificate is tst_faults_arguments'.) No subject entry to name it by: refused before any page.
        CertificateFactory::Options nameless;
        nameless.commonName.clear();
        const auto anonymous = CertificateFactory::makeSelfSigned(nameless);
        QVERIFY(!show(derOf(anonymous.certificate.data())));
        QVERIFY(h.waitForLog(QStringLiteral("ERROR ShowCertificateInfo: the certificate has no name to show (")));
        QCOMPARE(h.pageCount(), 0);

        const KeyMaterial shown = KeyMaterial::make(QStringLiteral("shown.test"));
        QDBusPendingReply<bool> pending = h.service().ShowCertificateInfo(shown.derText());
        QVERIFY(h.waitForPages(1));
        QVERIFY(h.windowVisible());
        // The page tells which certificate it shows.
        QVERIFY(h.ui().waitForText(QStringLiteral("shown.test"), 15000));
        QVERIFY(!pending.isFinished());
        QVERIFY(h.ui().back());
        QVERIFY(h.succeeded(pending));
    }
};

QTEST_GUILESS_MAIN(TestDomainMethods)

#include "tst_domainmethods.moc"
