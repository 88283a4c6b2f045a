// The domain methods of the real service: installing DER text and
// serialized items (with keys, and the removal from dropped purposes),
// deleting with the key record, listing domains with the server
// certificates (repeated keys as a client we did not write sees them), and
// showing a certificate.

#include "tst_keymethods_fixture.h"

#include <QJsonArray>
#include <QRegularExpression>

namespace {

using Entry = QPair<QString, QString>;   // Base64 DER, domain name

QString derOf(X509 *cert)
{
    return QString::fromLatin1(CertificateFactory::toDer(cert).toBase64());
}

} // namespace

class TestDomainMethods : public QObject
{
    Q_OBJECT

private:
    static bool boolReply(const QDBusMessage &reply)
    {
        return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool();
    }
    static bool install(KeyServiceFixture &device, const QString &cert, const QStringList &domains)
    {
        return boolReply(device.call(QStringLiteral("InstallCertificateToDomains"), { cert, domains }));
    }
    static bool remove(KeyServiceFixture &device, const QString &key, const QStringList &domains)
    {
        return boolReply(device.call(QStringLiteral("DeleteCertificateFromDomains"), { key, domains }));
    }

    // LoadCertificatesFromDomains as gdbus prints it: every dictionary
    // entry, repeated keys included, in the order they came.
    static QList<Entry> loadWithGdbus(KeyServiceFixture &device, const QStringList &domains, QString *error)
    {
        device.call(QStringLiteral("LoadCertificatesFromDomains"), { QStringList() });   // a service is up
        QStringList quoted;
        for (const QString &domain : domains)
            quoted << QLatin1Char('\'') + domain + QLatin1Char('\'');
        QProcess gdbus;
        gdbus.setProcessEnvironment(device.bus.environment());
        gdbus.start(QStringLiteral("gdbus"),
                    { "call", "--system", "--dest", KeyServiceFixture::serviceName(), "--object-path", "/request",
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
        KeyServiceFixture device;
        QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
        const KeyMaterial ca = KeyMaterial::make(QStringLiteral("Der Root CA"), true);
        QVERIFY(!ca.isNull());

        QVERIFY(install(device, ca.derText(), { "ssl-ca", "wifi-ca" }));
        QVERIFY(KeyServiceFixture::domainHolds(QStringLiteral("ssl-ca"), ca));
        QVERIFY(KeyServiceFixture::domainHolds(QStringLiteral("wifi-ca"), ca));

        // Already there: logged with 17, still a success. Plain DER never
        // removes anything and never records a key.
        device.markLog();
        QVERIFY(install(device, ca.derText(), { "ssl-ca" }));
        QVERIFY(device.waitForLog(QStringLiteral("ERROR _installCertToDomains: failed adding certificate to 'ssl-ca' (17)")));
        QVERIFY(KeyServiceFixture::domainHolds(QStringLiteral("wifi-ca"), ca));
        QVERIFY(!device.keyRow(ca.keyId).exists);

        // A domain name the store would refuse refuses the whole list before
        // any domain is touched.
        const KeyMaterial other = KeyMaterial::make(QStringLiteral("Other Root CA"), true);
        device.markLog();
        QVERIFY(!install(device, other.derText(), { "smime-ca", "../../outside", "codesign-ca" }));
        QVERIFY(device.waitForLog(QStringLiteral("ERROR InstallCertificateToDomains: invalid domain name '../../outside'")));
        QVERIFY(!KeyServiceFixture::domainHolds(QStringLiteral("smime-ca"), other));
        QVERIFY(!KeyServiceFixture::domainHolds(QStringLiteral("codesign-ca"), other));
        QVERIFY(!QFileInfo::exists(device.root.resolve(QStringLiteral("/home/outside"))));
    }

    void installRefusesWhatIsNoCertificate()
    {
        KeyServiceFixture device;
        QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
        device.markLog();
        QVERIFY(!install(device, QStringLiteral("@@@ not base64"), { "ssl-ca" }));
        QVERIFY(device.waitForLog(QStringLiteral("ERROR InstallCertificateToDomains: failed to base64-decode certificate (")));
        QVERIFY(!install(device, QString::fromLatin1(QByteArray("hello").toBase64()), { "ssl-ca" }));
        QVERIFY(device.waitForLog(QStringLiteral("ERROR InstallCertificateToDomains: could not deserialize certificate")));
        QVERIFY(!install(device, QString(), { "ssl-ca" }));
        QVERIFY(!install(device, QStringLiteral("w6k="), { "ssl-ca" }));
        QVERIFY(!install(device, QString::fromUtf8("\xc3\xa9t\xc3\xa9"), { "ssl-ca" }));
        QByteArray noise(3 << 20, '\0');
        for (int i = 0; i < noise.size(); ++i)
            noise[i] = char(i * 131 + (i >> 7));
        QVERIFY(!install(device, QString::fromLatin1(noise.toBase64()), { "ssl-ca" }));
        // A truncated serialized item.
        const KeyMaterial material = KeyMaterial::make(QStringLiteral("cut.test"));
        const QByteArray image = QByteArray::fromBase64(material.itemText(0).toLatin1());
        QVERIFY(!install(device, QString::fromLatin1(image.left(image.size() / 2).toBase64()), { "ssl-user" }));
        QVERIFY(!QFileInfo::exists(device.root.privateDomainFolder(QStringLiteral("ssl-ca"))));
        QVERIFY(!device.keyRow(material.keyId).exists);
        QVERIFY(!device.serviceLogSinceMark().isEmpty());
    }

    void installSerializedItemKeyFirst()
    {
        KeyServiceFixture device;
        QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
        const KeyMaterial user = KeyMaterial::make(QStringLiteral("user.test"));
        QVERIFY(!user.isNull());
        QVERIFY(install(device, user.itemText(1), { "ssl-user", "smime-user" }));
        QVERIFY(KeyServiceFixture::domainHolds(QStringLiteral("ssl-user"), user));
        QVERIFY(KeyServiceFixture::domainHolds(QStringLiteral("smime-user"), user));
        const KeyRow row = device.keyRow(user.keyId);
        QVERIFY(row.exists);
        QCOMPARE(row.preference, 1);
        QCOMPARE(row.domains, QStringLiteral("ssl-user, smime-user"));

        // A key that is not recorded (the user cancels its password) leaves
        // every domain untouched.
        const KeyMaterial refused = KeyMaterial::make(QStringLiteral("refused.test"));
        QDBusPendingCall pending = device.callAsync(QStringLiteral("InstallCertificateToDomains"),
                                                    { refused.itemText(2), QStringList{ "wifi-user" } });
        QVERIFY(device.click(QStringLiteral("cancelButton")));
        QVERIFY(KeyServiceFixture::finish(pending));
        QCOMPARE(QDBusPendingReply<bool>(pending).value(), false);
        QVERIFY(!KeyServiceFixture::domainHolds(QStringLiteral("wifi-user"), refused));
        QVERIFY(!device.keyRow(refused.keyId).exists);
    }

    // A CA once held for web sites and wireless networks is now wanted for
    // web sites only: it leaves "wifi-ca".
    void installRemovesTheDomainsOfDroppedPurposes()
    {
        KeyServiceFixture device;
        QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
        const KeyMaterial ca = KeyMaterial::make(QStringLiteral("Dropped CA"), true);
        QVERIFY(!ca.isNull());
        QVERIFY(install(device, ca.derText(), { "ssl-ca", "wifi-ca" }));
        QVERIFY(install(device, ca.itemText(-1, { "ssl", "wifi" }, false), { "ssl-ca" }));
        QVERIFY(KeyServiceFixture::domainHolds(QStringLiteral("ssl-ca"), ca));
        QVERIFY(!KeyServiceFixture::domainHolds(QStringLiteral("wifi-ca"), ca));

        // A purpose whose domain lacks the certificate is already as wanted.
        QVERIFY(install(device, ca.itemText(-1, { "ssl", "smime" }, false), { "ssl-ca" }));
        QVERIFY(KeyServiceFixture::domainHolds(QStringLiteral("ssl-ca"), ca));
    }

    void deleteWithTheKeyRecord()
    {
        KeyServiceFixture device;
        QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
        const KeyMaterial user = KeyMaterial::make(QStringLiteral("deleted.test"));
        const KeyMaterial ca = KeyMaterial::make(QStringLiteral("Deleted CA"), true);
        QVERIFY(!user.isNull() && !ca.isNull());
        QVERIFY(install(device, user.itemText(0), { "ssl-user", "wifi-user" }));
        QVERIFY(install(device, ca.derText(), { "ssl-ca" }));

        // Nothing named: nothing removed; the answer is the record step's.
        QVERIFY(remove(device, ca.keyId, {}));
        QVERIFY(remove(device, user.keyId, {}));
        QCOMPARE(device.keyRow(user.keyId).domains, QStringLiteral("ssl-user, wifi-user"));

        device.markLog();
        QVERIFY(!remove(device, ca.keyId, { "smime-ca" }));
        QVERIFY(device.waitForLog(QStringLiteral("ERROR DeleteCertificateFromDomains: failed removing cert (2)")));
        QVERIFY(!remove(device, QStringLiteral("nonsense"), { "ssl-ca" }));
        QVERIFY(device.waitForLog(QStringLiteral("ERROR DeleteCertificateFromDomains: 'nonsense' is not a valid certificate key id (")));
        QVERIFY(!remove(device, ca.keyId, { "../ssl-ca" }));
        QVERIFY(device.waitForLog(QStringLiteral("ERROR DeleteCertificateFromDomains: invalid domain name '../ssl-ca'")));
        QVERIFY(KeyServiceFixture::domainHolds(QStringLiteral("ssl-ca"), ca));

        QVERIFY(remove(device, ca.keyId, { "ssl-ca" }));
        QVERIFY(!KeyServiceFixture::domainHolds(QStringLiteral("ssl-ca"), ca));

        QVERIFY(remove(device, user.keyId, { "wifi-user" }));
        QVERIFY(!KeyServiceFixture::domainHolds(QStringLiteral("wifi-user"), user));
        QCOMPARE(device.keyRow(user.keyId).domains, QStringLiteral("ssl-user"));
        QVERIFY(remove(device, user.keyId, { "ssl-user" }));
        QVERIFY(!device.keyRow(user.keyId).exists);
    }

    void loadListsDomainsAndServerCertificates()
    {
        KeyServiceFixture device;
        QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
        const KeyMaterial common = KeyMaterial::make(QStringLiteral("Common CA"), true);
        const KeyMaterial signer = KeyMaterial::make(QStringLiteral("Software Maker CA"), true);
        const KeyMaterial twice = KeyMaterial::make(QStringLiteral("Twice CA"), true);
        const KeyMaterial server = KeyMaterial::make(QStringLiteral("server.test"));
        QVERIFY(!common.isNull() && !signer.isNull() && !twice.isNull() && !server.isNull());
        QVERIFY(device.root.addSharedCertificate(QStringLiteral("common-ca"), common.certificate()));
        QVERIFY(device.root.addSharedCertificate(QStringLiteral("codesigning"), signer.certificate()));
        QVERIFY(install(device, twice.derText(), { "ssl-ca", "wifi-ca" }));
        QVERIFY(device.addServerCertificate(twice.certificate(), QStringLiteral("Twice CA")));
        QVERIFY(device.addServerCertificate(server.certificate(), QStringLiteral("server.test")));

        const QStringList domains{ "common-ca", "ssl-ca", "wifi-ca", "codesigning", "../nowhere", "smime-ca" };
        QString error;
        device.markLog();
        const QList<Entry> entries = loadWithGdbus(device, domains, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(sorted(entries), sorted({
            Entry(derOf(common.certificate()), "common-ca"),
            Entry(derOf(twice.certificate()), "ssl-ca"),
            Entry(derOf(twice.certificate()), "wifi-ca"),
            Entry(derOf(signer.certificate()), "common-codesigning-ca"),
            Entry(derOf(twice.certificate()), "server"),
            Entry(derOf(server.certificate()), "server"),
        }));
        QVERIFY(device.waitForLog(QStringLiteral("ERROR LoadCertificatesFromDomains: failed opening domain ../nowhere (")));

        // A Qt client asking for a QVariantMap gets the certificates too.
        const QDBusMessage reply = device.call(QStringLiteral("LoadCertificatesFromDomains"), { domains });
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
        QCOMPARE(reply.signature(), QStringLiteral("a{sv}"));

        // No domains: still the server certificates.
        const QList<Entry> servers = loadWithGdbus(device, {}, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(sorted(servers), sorted({
            Entry(derOf(twice.certificate()), "server"),
            Entry(derOf(server.certificate()), "server"),
        }));
    }

    void showChecksTheCertificateAndWaitsForBack()
    {
        KeyServiceFixture device;
        QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
        auto show = [&](const QString &text) {
            return boolReply(device.call(QStringLiteral("ShowCertificateInfo"), { text }, 20000));
        };
        QVERIFY(!show(QStringLiteral("%%%")));
        QVERIFY(!show(QString::fromLatin1(QByteArray(5000, 'x').toBase64())));

        // No subject entry to name it by: refused before any page.
        CertificateFactory::Options nameless;
        nameless.commonName.clear();
        const auto anonymous = CertificateFactory::makeSelfSigned(nameless);
        QVERIFY(!anonymous.isNull());
        QVERIFY(!show(derOf(anonymous.certificate.data())));

        const KeyMaterial shown = KeyMaterial::make(QStringLiteral("shown.test"));
        QDBusPendingCall pending = device.callAsync(QStringLiteral("ShowCertificateInfo"), { shown.derText() });
        QVERIFY(QTest::qWaitFor([&] {
            const QJsonObject pages = device.ui({ { "cmd", "pages" } });
            return pages.value("visible").toBool() && pages.value("pages").toArray().size() == 1;
        }, 15000));
        // The page tells which certificate it shows.
        QVERIFY(QTest::qWaitFor([&] {
            const QJsonArray widgets = device.ui({ { "cmd", "widgets" } }).value("widgets").toArray();
            for (const QJsonValue &widget : widgets) {
                if (widget.toObject().value("text").toString().contains(QLatin1String("shown.test")))
                    return true;
            }
            return false;
        }, 15000));
        QVERIFY(!pending.isFinished());
        QVERIFY(device.back());
        QVERIFY(KeyServiceFixture::finish(pending));
        QVERIFY(QDBusPendingReply<bool>(pending).value());
    }
};

QTEST_GUILESS_MAIN(TestDomainMethods)

#include "tst_domainmethods.moc"
