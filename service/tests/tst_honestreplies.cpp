// The real service's replies tell what it did: dropped purposes really
// leave, a renewed certificate replaces the old one, a missing key file is
// no wrong password, key ids name one key in any letter case, a bad domain
// name refuses the whole install, a certificate's last removal takes its
// key along, and DER with bytes after the certificate is refused.

#include "trustkeepprocess.h"
#include "tst_keymethods_fixture.h"

#include <QJsonArray>

namespace {

const QString token = QStringLiteral("bastra-certman-common-ca::CertUserWifiUse");

bool boolReply(const QDBusMessage &reply)
{
    return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool();
}

// The DER image a private domain holds under the material's key id.
QByteArray heldDer(const QString &domain, const KeyMaterial &material)
{
    bastra_key_id id;
    bastra_domain handle = nullptr;
    if (bastra_certman_str_to_key_id(material.keyId.toLatin1().constData(), &id) != 0
        || bastra_certman_open_domain(domain.toLatin1().constData(), 0, &handle) != 0)
        return QByteArray();
    X509 *held = nullptr;
    bastra_certman_load_cert(handle, &id, &held);
    bastra_certman_close_domain(handle);
    const QByteArray der = held ? CertificateFactory::toDer(held) : QByteArray();
    X509_free(held);
    return der;
}

} // namespace

class TestHonestReplies : public QObject
{
    Q_OBJECT

private:
    static bool install(KeyServiceFixture &device, const QString &cert, const QStringList &domains)
    {
        return boolReply(device.call(QStringLiteral("InstallCertificateToDomains"), { cert, domains }));
    }
    static bool installWithPassword(KeyServiceFixture &device, const KeyMaterial &user, const QStringList &domains)
    {
        QDBusPendingCall pending = device.callAsync(QStringLiteral("InstallCertificateToDomains"),
                                                    { user.itemText(2), domains });
        return device.chooseNewPassword(QStringLiteral("pw")) && KeyServiceFixture::finish(pending)
            && QDBusPendingReply<bool>(pending).value();
    }

private slots:
    // The user unticks wireless networks and e-mail: the CA leaves
    // "smime-ca" although "wifi-ca" never held it; a removal the store
    // refuses makes the install fail.
    void droppedPurposesLeaveEveryDomain()
    {
        KeyServiceFixture device;
        QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
        const KeyMaterial ca = KeyMaterial::make(QStringLiteral("Dropped CA"), true);
        QVERIFY(!ca.isNull());
        QVERIFY(install(device, ca.derText(), { "ssl-ca", "smime-ca" }));
        device.markLog();
        QVERIFY(install(device, ca.itemText(-1, { "ssl", "wifi", "smime" }, false), { "ssl-ca" }));
        QVERIFY(KeyServiceFixture::domainHolds(QStringLiteral("ssl-ca"), ca));
        QVERIFY(!KeyServiceFixture::domainHolds(QStringLiteral("smime-ca"), ca));
        QVERIFY(!device.logSinceMark().contains(QLatin1String("failed removing")));

        // A folder where the certificate's file is: the store cannot remove it.
        QVERIFY(install(device, ca.derText(), { "wifi-ca" }));
        const QString held = device.root.privateDomainFolder(QStringLiteral("wifi-ca")) + QLatin1Char('/') + ca.keyId;
        QVERIFY(QFile::remove(held) && QDir().mkpath(held));
        QVERIFY(!install(device, ca.itemText(-1, { "ssl", "wifi" }, false), { "ssl-ca" }));
        QVERIFY(device.waitForLog(QStringLiteral("ERROR DeleteCertificateFromDomains: failed removing cert (21)")));
    }

    // A renewed CA keeps its key: the domain then holds the renewal, not the
    // certificate it replaces.
    void renewedCertificateReplacesTheOldOne()
    {
        KeyServiceFixture device;
        QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
        const KeyMaterial old = KeyMaterial::make(QStringLiteral("Renewed CA"), true);
        QVERIFY(!old.isNull());
        CertificateFactory::Options options;
        options.commonName = QStringLiteral("Renewed CA");
        options.isCa = true;
        options.notAfter = CertificateFactory::daysFromNow(3650);
        KeyMaterial renewed = old;
        renewed.made = CertificateFactory::makeForKey(options, old.made.key);
        QVERIFY(!renewed.made.isNull());

        QVERIFY(install(device, old.derText(), { "ssl-ca" }));
        QVERIFY(install(device, renewed.derText(), { "ssl-ca", "wifi-ca" }));
        QCOMPARE(heldDer(QStringLiteral("ssl-ca"), old), CertificateFactory::toDer(renewed.certificate()));
        QCOMPARE(heldDer(QStringLiteral("wifi-ca"), old), CertificateFactory::toDer(renewed.certificate()));
    }

    void keyFileTroubleIsNoWrongPassword_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<bool>("damaged");
        QTest::newRow("fetch, key file gone") << "GetPrivateKey" << false;
        QTest::newRow("fetch, key file damaged") << "GetPrivateKey" << true;
        QTest::newRow("password change, key file gone") << "ChangePrivateKeyPassword" << false;
    }

    void keyFileTroubleIsNoWrongPassword()
    {
        QFETCH(QString, method);
        QFETCH(bool, damaged);
        KeyServiceFixture device;
        QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
        const KeyMaterial user = KeyMaterial::make(QStringLiteral("lostkey.test"));
        QVERIFY(!user.isNull());
        QVERIFY(installWithPassword(device, user, { "ssl-user" }));
        const QString keyFile = device.root.keyFolder() + QLatin1Char('/') + user.keyId;
        QVERIFY(QFile::remove(keyFile));
        if (damaged)
            QVERIFY(CertificateFactory::writeFile(keyFile, "not a key"));

        device.markLog();
        const bool fetch = method == QLatin1String("GetPrivateKey");
        QDBusPendingCall pending = device.callAsync(method, fetch ? QVariantList{ user.keyId, token }
                                                                  : QVariantList{ user.keyId });
        if (fetch) {
            QVERIFY(device.enterPassword(QStringLiteral("pw")));
        } else {
            QVERIFY(device.type(QStringLiteral("currentPasswordField"), QStringLiteral("pw")));
            QVERIFY(device.chooseNewPassword(QStringLiteral("new")));
        }
        QVERIFY(KeyServiceFixture::finish(pending));
        if (fetch)
            QCOMPARE(KeyServiceFixture::decrypt(QDBusPendingReply<QString>(pending).value(), token),
                     QByteArrayLiteral("Could not retrieve key"));
        else
            QVERIFY(!QDBusPendingReply<bool>(pending).value());
        QVERIFY(device.waitForLog(QStringLiteral(": could not retrieve the key ")));
    }

    void keyIdsNameOneKeyInAnyLetterCase()
    {
        KeyServiceFixture device;
        QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
        const KeyMaterial user = KeyMaterial::make(QStringLiteral("cased.test"));
        QVERIFY(!user.isNull());
        QVERIFY(install(device, user.itemText(0), { "ssl-user" }));
        const QString upper = user.keyId.toUpper();
        QCOMPARE(device.call(QStringLiteral("GetPrivateKeyData"), { upper }).arguments().value(0).toInt(), 0);
        const QDBusMessage key = device.call(QStringLiteral("GetPrivateKey"), { upper, token });
        QCOMPARE(KeyServiceFixture::decrypt(key.arguments().value(0).toString(), token), user.privateDer());
        QVERIFY(boolReply(device.call(QStringLiteral("DeleteCertificateFromDomains"), { upper, QStringList{ "ssl-user" } })));
        QSqlQuery rows(device.database());
        QVERIFY(rows.exec(QStringLiteral("SELECT COUNT(*) FROM keys")) && rows.next());
        QCOMPARE(rows.value(0).toInt(), 0);
    }

    void badDomainNameRefusesTheWholeInstall_data()
    {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<QString>("logged");
        QTest::newRow("list separator") << "wifi-user, smime-user" << "wifi-user, smime-user";
        QTest::newRow("forged log line") << "x\nmain(1): ERROR forged" << "x\\nmain(1): ERROR forged";
        QTest::newRow("outside the store") << "../outside" << "../outside";
    }

    void badDomainNameRefusesTheWholeInstall()
    {
        QFETCH(QString, domain);
        QFETCH(QString, logged);
        KeyServiceFixture device;
        QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
        const KeyMaterial user = KeyMaterial::make(QStringLiteral("badname.test"));
        QVERIFY(!user.isNull());
        device.markLog();
        QVERIFY(!install(device, user.itemText(0), { "ssl-user", domain }));
        QVERIFY(device.waitForLog(QStringLiteral("ERROR InstallCertificateToDomains: invalid domain name '") + logged + '\''));
        QVERIFY(!device.logSinceMark().contains(QLatin1String("\nmain(1)")));
        QVERIFY(!device.keyRow(user.keyId).exists);
        QVERIFY(!KeyServiceFixture::domainHolds(QStringLiteral("ssl-user"), user));
    }

    void lastRemovalTakesTheKeyAlong_data()
    {
        QTest::addColumn<QString>("way");
        QTest::newRow("delete") << "delete";
        QTest::newRow("dropped purposes") << "install";
        QTest::newRow("deletion mode") << "-d";
    }

    void lastRemovalTakesTheKeyAlong()
    {
        QFETCH(QString, way);
        KeyServiceFixture device;
        QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
        const KeyMaterial user = KeyMaterial::make(QStringLiteral("forgotten.test"));
        QVERIFY(!user.isNull());
        QVERIFY(installWithPassword(device, user, { "ssl-user", "wifi-user" }));
        const QString keyFile = device.root.keyFolder() + QLatin1Char('/') + user.keyId;
        QVERIFY(QFile::exists(keyFile));

        if (way == QLatin1String("delete")) {
            // "smime-user" never held it: the call fails there, yet the record
            // no longer lists the domain it did leave.
            QVERIFY(!boolReply(device.call("DeleteCertificateFromDomains",
                                           { user.keyId, QStringList{ "ssl-user", "smime-user" } })));
            QVERIFY(QFile::exists(keyFile));
            QCOMPARE(device.keyRow(user.keyId).domains, QStringLiteral("wifi-user"));
            QVERIFY(boolReply(device.call("DeleteCertificateFromDomains", { user.keyId, QStringList{ "wifi-user" } })));
        } else if (way == QLatin1String("install")) {
            QVERIFY(install(device, user.itemText(2, { "ssl", "wifi" }), { "ssl-user" }));
            QVERIFY(QFile::exists(keyFile));
            QVERIFY(install(device, user.itemText(2, { "ssl" }), {}));
        } else {
            QVERIFY(device.bus.waitForName(KeyServiceFixture::serviceName(), false, 15000));
            TrustkeepProcess trustkeep(device.bus);
            trustkeep.start({ "-d", user.keyId.toUpper() });
            ZelvoAutomationClient ui(device.socket());
            QVERIFY(ui.connectToServer(15000) && ui.waitFor(QStringLiteral("dialogButtonYes"), 15000));
            QVERIFY(ui.answer(QStringLiteral("Yes")));
            QVERIFY(trustkeep.waitForFinished());
            QCOMPARE(trustkeep.exitCode(), 0);
        }
        QVERIFY(!KeyServiceFixture::domainHolds(QStringLiteral("ssl-user"), user));
        QVERIFY(!device.keyRow(user.keyId).exists);
        QVERIFY(!QFile::exists(keyFile));
    }

    void bytesAfterTheCertificateAreRefused_data()
    {
        QTest::addColumn<QString>("method");
        QTest::newRow("install") << "InstallCertificateToDomains";
        QTest::newRow("show") << "ShowCertificateInfo";
    }

    void bytesAfterTheCertificateAreRefused()
    {
        QFETCH(QString, method);
        KeyServiceFixture device;
        QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
        const KeyMaterial ca = KeyMaterial::make(QStringLiteral("Trailing CA"), true);
        QVERIFY(!ca.isNull());
        const QString text = QString::fromLatin1(
            (CertificateFactory::toDer(ca.certificate()) + QByteArrayLiteral("\x00\x01 and more")).toBase64());
        const bool installing = method == QLatin1String("InstallCertificateToDomains");
        const QDBusMessage reply = device.call(method, installing ? QVariantList{ text, QStringList{ "ssl-ca" } }
                                                                  : QVariantList{ text }, 20000);
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
        QVERIFY(!reply.arguments().value(0).toBool());
        QVERIFY(!KeyServiceFixture::domainHolds(QStringLiteral("ssl-ca"), ca));
        QCOMPARE(device.ui({ { "cmd", "pages" } }).value("pages").toArray().size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestHonestReplies)

#include "tst_honestreplies.moc"
