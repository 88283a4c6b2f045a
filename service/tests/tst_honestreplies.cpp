// The real service's replies tell what it did: dropped purposes really
// leave, a renewed certificate replaces the old one, a missing key file is
// no wrong password, key ids name one key in any letter case, a bad domain
// name refuses the whole install, a certificate's last removal takes its
// key along, and DER with bytes after the certificate is refused.

#include "processtestharness.h"
#include "testmaterial.h"

namespace {

const QString token = QStringLiteral("bastra-certman-common-ca::CertUserWifiUse");

bool installWithPassword(ProcessTestHarness &h, const KeyMaterial &user, const QStringList &domains)
{
    QDBusPendingReply<bool> pending = h.service().InstallCertificateToDomains(user.itemText(2), domains);
    return h.chooseNewPassword(QStringLiteral("pw")) && h.succeeded(pending);
}

} // namespace

class TestHonestReplies : public QObject
{
    Q_OBJECT

private slots:
    // The user unticks wireless networks and e-mail: the CA leaves
    // "smime-ca" although "wifi-ca" never held it; a removal the store
    // refuses makes the install fail.
    void droppedPurposesLeaveEveryDomain()
    {
        READY_HARNESS(h);
        const KeyMaterial ca = KeyMaterial::make(QStringLiteral("Dropped CA"), true);
        QVERIFY(h.install(ca.derText(), { "ssl-ca", "smime-ca" }));
        h.markLog();
        QVERIFY(h.install(ca.itemText(-1, { "ssl", "wifi", "smime" }, false), { "ssl-ca" }));
        QCOMPARE(StoreProbe::domainsHolding(ca.keyId), QStringList("ssl-ca"));
        QVERIFY(!h.logSinceMark().join(QLatin1Char('\n')).contains(QLatin1String("failed removing")));

        // A folder where the certificate's file is: the store cannot remove it.
        QVERIFY(h.install(ca.derText(), { "wifi-ca" }));
        const QString held = h.root().privateDomainFolder(QStringLiteral("wifi-ca")) + QLatin1Char('/') + ca.keyId;
        QVERIFY(QFile::remove(held) && QDir().mkpath(held));
        QVERIFY(!h.install(ca.itemText(-1, { "ssl", "wifi" }, false), { "ssl-ca" }));
        QVERIFY(h.waitForLog(QStringLiteral("ERROR DeleteCertificateFromDomains: failed removing cert (21)")));
    }

    // A renewed CA keeps its key: the domain then holds the renewal, not the
    // certificate it replaces.
    void renewedCertificateReplacesTheOldOne()
    {
        READY_HARNESS(h);
        const KeyMaterial old = KeyMaterial::make(QStringLiteral("Renewed CA"), true);
        CertificateFactory::Options options;
        options.commonName = QStringLiteral("Renewed CA");
        options.isCa = true;
        options.notAfter = CertificateFactory::daysFromNow(3650);
        KeyMaterial renewed = old;
        renewed.made = CertificateFactory::makeForKey(options, old.made.key);

        QVERIFY(h.install(old.derText(), { "ssl-ca" }));
        QVERIFY(h.install(renewed.derText(), { "ssl-ca", "wifi-ca" }));
        QCOMPARE(StoreProbe::heldDer(QStringLiteral("ssl-ca"), old.keyId), renewed.der());
        QCOMPARE(StoreProbe::heldDer(QStringLiteral("wifi-ca"), old.keyId), renewed.der());
    }

    void keyFileTroubleIsNoWrongPassword_data()
    {
        QTest::addColumn<bool>("fetch");
        QTest::addColumn<bool>("damaged");
        QTest::newRow("fetch, key file gone") << true << false;
        QTest::newRow("fetch, key file damaged") << true << true;
        QTest::newRow("password change, key file gone") << false << false;
    }

    void keyFileTroubleIsNoWrongPassword()
    {
        QFETCH(bool, fetch);
        QFETCH(bool, damaged);
        READY_HARNESS(h);
        const KeyMaterial user = KeyMaterial::make(QStringLiteral("lostkey.test"));
        QVERIFY(installWithPassword(h, user, { "ssl-user" }));
        const QString keyFile = h.root().keyFolder() + QLatin1Char('/') + user.keyId;
        QVERIFY(QFile::remove(keyFile));
        if (damaged)
            QVERIFY(CertificateFactory::writeFile(keyFile, "not a key"));

        h.markLog();
        if (fetch) {
            QDBusPendingReply<QString> key = h.service().GetPrivateKey(user.keyId, token);
            QVERIFY(h.enterPassword(QStringLiteral("pw")));
            QVERIFY(h.finish(key));
            QCOMPARE(StoreProbe::decrypt(key.value(), token), QByteArrayLiteral("Could not retrieve key"));
        } else {
            QDBusPendingReply<bool> changed = h.service().ChangePrivateKeyPassword(user.keyId);
            QVERIFY(h.type(QStringLiteral("currentPasswordField"), QStringLiteral("pw")));
            QVERIFY(h.chooseNewPassword(QStringLiteral("new")));
            QVERIFY(h.answeredFalse(changed));
        }
        QVERIFY(h.waitForLog(QStringLiteral(": could not retrieve the key ")));
    }

    void keyIdsNameOneKeyInAnyLetterCase()
    {
        READY_HARNESS(h);
        const KeyMaterial user = KeyMaterial::make(QStringLiteral("cased.test"));
        QVERIFY(h.install(user.itemText(0), { "ssl-user" }));
        const QString upper = user.keyId.toUpper();
        QCOMPARE(h.service().GetPrivateKeyData(upper).value(), 0);
        QCOMPARE(StoreProbe::decrypt(h.service().GetPrivateKey(upper, token).value(), token), user.privateDer());
        QVERIFY(h.remove(upper, { "ssl-user" }));
        QCOMPARE(h.database().count(QStringLiteral("keys")), 0);
    }

    // One name the store would refuse refuses the whole list before any
    // domain is touched.
    void badDomainNameRefusesTheWholeInstall_data()
    {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<QString>("logged");
        QTest::newRow("outside the store") << "../../outside"
                                           << "../../outside";
        QTest::newRow("list separator") << "wifi-user, smime-user"
                                        << "wifi-user, smime-user";
        QTest::newRow("forged log line") << "x\nmain(1): ERROR forged"
                                         << "x\\nmain(1): ERROR forged";
    }

    void badDomainNameRefusesTheWholeInstall()
    {
        QFETCH(QString, domain);
        QFETCH(QString, logged);
        READY_HARNESS(h);
        const KeyMaterial user = KeyMaterial::make(QStringLiteral("badname.test"));
        h.markLog();
        QVERIFY(!h.install(user.itemText(0), { "ssl-user", domain }));
        QVERIFY(
            h.waitForLog(QStringLiteral("ERROR InstallCertificateToDomains: invalid domain name '") + logged + '\''));
        QVERIFY(!h.allOutput().contains(QLatin1String("\nmain(1)")));
        QVERIFY(!h.database().keyRow(user.keyId).exists);
        QVERIFY(!StoreProbe::domainHolds(QStringLiteral("ssl-user"), user.keyId));
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
        READY_HARNESS(h);
        const KeyMaterial user = KeyMaterial::make(QStringLiteral("forgotten.test"));
        QVERIFY(installWithPassword(h, user, { "ssl-user", "wifi-user" }));
        const QString keyFile = h.root().keyFolder() + QLatin1Char('/') + user.keyId;
        QVERIFY(QFile::exists(keyFile));

        if (way == QLatin1String("delete")) {
            // "smime-user" never held it: the call fails there, yet the record
            // no longer lists the domain it did leave.
            QVERIFY(!h.remove(user.keyId, { "ssl-user", "smime-user" }));
            QVERIFY(QFile::exists(keyFile));
            QCOMPARE(h.database().keyRow(user.keyId).domains, QStringLiteral("wifi-user"));
            QVERIFY(h.remove(user.keyId, { "wifi-user" }));
        } else if (way == QLatin1String("install")) {
            QVERIFY(h.install(user.itemText(2, { "ssl", "wifi" }), { "ssl-user" }));
            QVERIFY(QFile::exists(keyFile));
            QVERIFY(h.install(user.itemText(2, { "ssl" }), {}));
        } else {
            // Both programs answer on the one automation socket: the service
            // goes first.
            QVERIFY(h.waitForServiceEnd());
            TestProgram &trustkeep = h.startProgram({ "-d", user.keyId.toUpper() });
            QVERIFY(h.ui().waitFor(QStringLiteral("dialogButtonYes"), 15000));
            QVERIFY(h.ui().answer(QStringLiteral("Yes")));
            QVERIFY(trustkeep.waitForFinished());
            QCOMPARE(trustkeep.exitCode(), 0);
        }
        QVERIFY(!StoreProbe::domainHolds(QStringLiteral("ssl-user"), user.keyId));
        QVERIFY(!h.database().keyRow(user.keyId).exists);
        QVERIFY(!QFile::exists(keyFile));
    }

    void bytesAfterTheCertificateAreRefused()
    {
        READY_HARNESS(h);
        const KeyMaterial ca = KeyMaterial::make(QStringLiteral("Trailing CA"), true);
        const QString text = QString::fromLatin1((ca.der() + QByteArrayLiteral("\x00\x01 and more")).toBase64());
        QVERIFY(h.answeredFalse(h.service().InstallCertificateToDomains(text, { "ssl-ca" })));
        QVERIFY(h.answeredFalse(h.service().ShowCertificateInfo(text), 20000));
        QVERIFY(!StoreProbe::domainHolds(QStringLiteral("ssl-ca"), ca.keyId));
        QCOMPARE(h.pageCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestHonestReplies)

#include "tst_honestreplies.moc"
