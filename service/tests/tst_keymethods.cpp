// The key methods of the real service and the key records behind them:
// how each authorization preference hands a key out, moves it between the
// database and the store and follows the certificate's domains; the search
// over the user domains, the encrypted reply, the password change, and what
// a damaged record or a refused store does. Dialogs are answered through
// automation; the database and the store are read directly.

#include "processtestharness.h"
#include "testmaterial.h"

namespace {

const QString wifiToken = QStringLiteral("bastra-certman-common-ca::CertUserWifiUse");
const QString sslToken = QStringLiteral("bastra-certman-common-ca::CertUserSSLUse");
const QByteArray failureText = QByteArrayLiteral("Could not retrieve key");

// One that must not ask the user anything.
bool install(ProcessTestHarness &h, const KeyMaterial &material, int preference, const QStringList &domains)
{
    return h.install(material.itemText(preference), domains);
}

bool installWithPassword(ProcessTestHarness &h, const KeyMaterial &material, const QString &password)
{
    QDBusPendingReply<bool> pending = h.service().InstallCertificateToDomains(material.itemText(2), { "ssl-user" });
    return h.chooseNewPassword(password) && h.succeeded(pending);
}

QByteArray keyFrom(ProcessTestHarness &h, QDBusPendingReply<QString> &pending, const QString &token = sslToken)
{
    return h.finish(pending) ? StoreProbe::decrypt(pending.value(), token) : QByteArray("(no reply)");
}

} // namespace

class TestKeyMethods : public QObject
{
    Q_OBJECT

private slots:
    void retrievalFollowsThePreference()
    {
        READY_HARNESS(h);
        const KeyMaterial silent = KeyMaterial::make(QStringLiteral("silent.test"));
        const KeyMaterial notify = KeyMaterial::make(QStringLiteral("notify.test"));
        const KeyMaterial guarded = KeyMaterial::make(QStringLiteral("guarded.test"));
        QVERIFY(install(h, silent, 0, { "ssl-user" }));
        QVERIFY(install(h, notify, 1, { "ssl-user" }));
        QVERIFY(installWithPassword(h, guarded, QStringLiteral("secret")));

        KeyRow row = h.database().keyRow(silent.keyId);
        QCOMPARE(row.preference, 0);
        QCOMPARE(row.cn, QStringLiteral("silent.test"));
        QCOMPARE(row.domains, QStringLiteral("ssl-user"));
        QCOMPARE(row.der, silent.privateDer());
        row = h.database().keyRow(guarded.keyId);
        QCOMPARE(row.preference, 2);
        QVERIFY(row.der.isEmpty());
        QCOMPARE(h.service().GetPrivateKeyData(notify.keyId).value(), 1);
        QCOMPARE(h.service().GetPrivateKeyData(guarded.keyId).value(), 2);

        // 0: no dialog (one would hold this blocking call).
        QCOMPARE(StoreProbe::decrypt(h.service().GetPrivateKey(silent.keyId, sslToken).value(), sslToken),
                 silent.privateDer());
        // 1: a confirmation; declining it withholds the key.
        QDBusPendingReply<QString> confirmed = h.service().GetPrivateKey(notify.keyId, sslToken);
        QVERIFY(h.tap(QStringLiteral("acceptButton")));
        QCOMPARE(keyFrom(h, confirmed), notify.privateDer());
        QDBusPendingReply<QString> declined = h.service().GetPrivateKey(notify.keyId, sslToken);
        QVERIFY(h.tap(QStringLiteral("cancelButton")));
        QCOMPARE(keyFrom(h, declined), failureText);
        // 2: a wrong password is told and asked again; a cancel withholds it.
        QDBusPendingReply<QString> asked = h.service().GetPrivateKey(guarded.keyId, sslToken);
        QVERIFY(h.enterPassword(QStringLiteral("wrong")));
        QVERIFY(h.ui().waitFor(QStringLiteral("passwordNotice"), 15000));
        QVERIFY(!asked.isFinished());
        QVERIFY(h.enterPassword(QStringLiteral("secret")));
        QCOMPARE(keyFrom(h, asked), guarded.privateDer());
        QDBusPendingReply<QString> cancelled = h.service().GetPrivateKey(guarded.keyId, sslToken);
        QVERIFY(h.tap(QStringLiteral("cancelButton")));
        QCOMPARE(keyFrom(h, cancelled), failureText);

        // No key material or password in any log line.
        const QString log = h.allOutput();
        for (const KeyMaterial *material : { &silent, &notify, &guarded }) {
            QVERIFY(!log.contains(QString::fromLatin1(material->privateDer().toBase64())));
            QVERIFY(!log.contains(QString::fromLatin1(material->privateDer().toHex())));
        }
        QVERIFY(!log.contains(QLatin1String("secret")));
    }

    // The applet re-installs a certificate with a new preference: the key
    // moves between the database and the store; a cancel changes nothing.
    void preferenceMovesBetweenDatabaseAndStore()
    {
        READY_HARNESS(h);
        const KeyMaterial material = KeyMaterial::make(QStringLiteral("moving.test"));
        QVERIFY(install(h, material, 1, { "ssl-user" }));
        // 1 -> 0 asks nothing: the user already chose the key's preference.
        QVERIFY(install(h, material, 0, { "ssl-user" }));

        // 0 -> 5 (taken as 2): cancelling the new password keeps 0.
        QDBusPendingReply<bool> cancelled =
            h.service().InstallCertificateToDomains(material.itemText(5), { "ssl-user" });
        QVERIFY(h.tap(QStringLiteral("cancelButton")));
        QVERIFY(h.answeredFalse(cancelled));
        QCOMPARE(h.database().keyRow(material.keyId).der, material.privateDer());

        // 0 -> 2: a new password, and the image leaves the database.
        QVERIFY(installWithPassword(h, material, QStringLiteral("pw-one")));
        KeyRow row = h.database().keyRow(material.keyId);
        QCOMPARE(row.preference, 2);
        QVERIFY(row.der.isEmpty());

        // 2 -> 0: the current password once, and the image is back.
        QDBusPendingReply<bool> back = h.service().InstallCertificateToDomains(material.itemText(0), { "ssl-user" });
        QVERIFY(h.enterPassword(QStringLiteral("pw-one")));
        QVERIFY(h.succeeded(back));
        row = h.database().keyRow(material.keyId);
        QCOMPARE(row.preference, 0);
        QCOMPARE(row.der, material.privateDer());
    }

    void recordFollowsTheDomains()
    {
        READY_HARNESS(h);
        const KeyMaterial material = KeyMaterial::make(QStringLiteral("domains.test"));
        QVERIFY(install(h, material, 0, { "ssl-user", "wifi-user" }));
        QCOMPARE(h.database().keyRow(material.keyId).domains, QStringLiteral("ssl-user, wifi-user"));
        // A re-install replaces the list with exactly the new domains.
        QVERIFY(install(h, material, 0, { "smime-user", "wifi-user" }));
        QCOMPARE(h.database().keyRow(material.keyId).domains, QStringLiteral("smime-user, wifi-user"));

        QVERIFY(h.service().DeleteCertificateFromDomains(material.keyId, { "wifi-user" }).value());
        QCOMPARE(h.database().keyRow(material.keyId).domains, QStringLiteral("smime-user"));
        QVERIFY(h.service().DeleteCertificateFromDomains(material.keyId, { "smime-user" }).value());
        QVERIFY(!h.database().keyRow(material.keyId).exists);
        QCOMPARE(h.service().GetPrivateKeyData(material.keyId).value(), -1);
    }

    // Found in "wifi-user" after "ssl-user" said "not here" (no log for
    // that); the search stops there and only the named token reads it.
    void searchFindsTheCertificateInTheWifiUserDomain()
    {
        READY_HARNESS(h);
        const KeyMaterial material = KeyMaterial::make(QStringLiteral("wifi.test"));
        const KeyMaterial neighbour = KeyMaterial::make(QStringLiteral("neighbour.test"));
        h.recordStore();
        QVERIFY(install(h, material, 0, { "wifi-user" }));
        QVERIFY(StoreProbe::addToDomain(QStringLiteral("ssl-user"), neighbour.certificate()));

        const int loadsBefore = h.storeCalls(QStringLiteral("load")).size();
        const QString answer = h.service().GetPrivateKey(material.keyId, wifiToken).value();
        QCOMPARE(StoreProbe::decrypt(answer, wifiToken), material.privateDer());
        QVERIFY(StoreProbe::decrypt(answer, sslToken).isEmpty());
        QStringList loads;
        for (const QString &line : h.storeCalls(QStringLiteral("load")).mid(loadsBefore))
            loads << line.section(QLatin1Char(' '), 1, 1);
        QCOMPARE(loads, QStringList({ "ssl-user", "wifi-user" }));
        QVERIFY2(h.logLines().isEmpty(), qPrintable(h.logLines().join('\n')));
    }

    // Every failure answers the same encrypted text, so a caller learns
    // nothing about which keys exist; only a token the encryption refuses
    // gets an empty reply.
    void failuresLookLikeKeysUnlessTheTokenIsRefused()
    {
        READY_HARNESS(h);
        const KeyMaterial plain = KeyMaterial::make(QStringLiteral("plain.test"));
        const KeyMaterial absent = KeyMaterial::make(QStringLiteral("absent.test"));
        QVERIFY(install(h, plain, 0, { "smime-user" }));

        h.markLog();
        auto ask = [&](const QString &keyId, const QString &token) {
            QDBusPendingReply<QString> reply = h.service().GetPrivateKey(keyId, token);
            reply.waitForFinished();
            return reply.isValid() ? reply.value() : QStringLiteral("(error)");
        };
        QCOMPARE(StoreProbe::decrypt(ask(absent.keyId, wifiToken), wifiToken), failureText);
        QVERIFY(h.waitForLog(QStringLiteral("ERROR GetPrivateKey: cert not found")));
        QCOMPARE(StoreProbe::decrypt(ask(QStringLiteral("not-a-key-id"), wifiToken), wifiToken), failureText);
        QCOMPARE(StoreProbe::decrypt(ask(QString(100000, QLatin1Char('f')), wifiToken), wifiToken), failureText);
        QCOMPARE(ask(plain.keyId, QStringLiteral("no token")), QString());
        QCOMPARE(ask(plain.keyId, QString()), QString());
        QCOMPARE(StoreProbe::decrypt(ask(plain.keyId, wifiToken), wifiToken), plain.privateDer());

        // Unknown and malformed ids: GetPrivateKeyData tells -1 and 0.
        QCOMPARE(h.service().GetPrivateKeyData(QString(40, QLatin1Char('a'))).value(), -1);
        QCOMPARE(h.service().GetPrivateKeyData(QStringLiteral("zz")).value(), 0);
        QVERIFY(h.waitForLog(QStringLiteral("ERROR PKey: unable to parse a key id zz")));

        // A preference-0 record that lost its image, or whose preference is
        // damaged: logged or asked for by password, never handed out.
        QVERIFY(h.database().execute(QStringLiteral("UPDATE keys SET der_dump = NULL WHERE id = ?"), { plain.keyId }));
        QCOMPARE(StoreProbe::decrypt(ask(plain.keyId, wifiToken), wifiToken), failureText);
        QVERIFY(h.waitForLog(QStringLiteral("ERROR _retrieve: found inconsistent DB data: key should be in DB, "
                                            "but it is not. key_id %1, authPreference 0")
                                 .arg(plain.keyId)));
        QVERIFY(h.database().execute(QStringLiteral("UPDATE keys SET auth_preference = -1, der_dump = ? WHERE id = ?"),
                                     { plain.privateDer(), plain.keyId }));
        QDBusPendingReply<QString> damaged = h.service().GetPrivateKey(plain.keyId, wifiToken);
        QVERIFY(h.tap(QStringLiteral("cancelButton")));
        QCOMPARE(keyFrom(h, damaged, wifiToken), failureText);
    }

    void changePasswordAsksUntilTheCurrentOneIsRight()
    {
        READY_HARNESS(h);
        const KeyMaterial material = KeyMaterial::make(QStringLiteral("change.test"));
        const KeyMaterial inDatabase = KeyMaterial::make(QStringLiteral("indb.test"));
        QVERIFY(installWithPassword(h, material, QStringLiteral("old")));
        QVERIFY(install(h, inDatabase, 0, { "ssl-user" }));

        // A key held in the database, or none at all: nothing to change.
        h.markLog();
        QVERIFY(!h.service().ChangePrivateKeyPassword(inDatabase.keyId).value());
        QVERIFY(h.waitForLog(QStringLiteral("ERROR changePassword: changing a password required for a key that "
                                            "seems to be stored in DB (preference 0)")));
        QVERIFY(!h.service().ChangePrivateKeyPassword(QString(40, QLatin1Char('c'))).value());
        QVERIFY(h.waitForLog(QStringLiteral("ERROR changePassword: the key does not seem to be installed")));

        QDBusPendingReply<bool> cancelled = h.service().ChangePrivateKeyPassword(material.keyId);
        QVERIFY(h.tap(QStringLiteral("cancelButton")));
        QVERIFY(h.answeredFalse(cancelled));

        QDBusPendingReply<bool> pending = h.service().ChangePrivateKeyPassword(material.keyId);
        QVERIFY(h.type(QStringLiteral("currentPasswordField"), QStringLiteral("wrong")));
        QVERIFY(h.chooseNewPassword(QStringLiteral("new")));
        QVERIFY(h.ui().waitForText(QStringLiteral("Incorrect password"), 15000));
        QVERIFY(!pending.isFinished());
        QVERIFY(h.type(QStringLiteral("currentPasswordField"), QStringLiteral("old")));
        QVERIFY(h.chooseNewPassword(QStringLiteral("new")));
        QVERIFY(h.succeeded(pending));

        // The old password no longer opens the key; the new one does.
        QDBusPendingReply<QString> fetch = h.service().GetPrivateKey(material.keyId, wifiToken);
        QVERIFY(h.enterPassword(QStringLiteral("old")));
        QVERIFY(h.ui().waitFor(QStringLiteral("passwordNotice"), 15000));
        QVERIFY(h.enterPassword(QStringLiteral("new")));
        QCOMPARE(keyFrom(h, fetch, wifiToken), material.privateDer());
    }

    // The store cannot take the key (a file stands where its folder goes):
    // the banner shows, the call fails, and no domain got the certificate.
    void storingFailureShowsTheBannerAndChangesNothing()
    {
        READY_HARNESS(h);
        QVERIFY(CertificateFactory::writeFile(h.root().keyFolder(), "in the way"));
        const KeyMaterial material = KeyMaterial::make(QStringLiteral("unstorable.test"));

        QDBusPendingReply<bool> pending = h.service().InstallCertificateToDomains(material.itemText(2), { "ssl-user" });
        QVERIFY(h.chooseNewPassword(QStringLiteral("pw")));
        QVERIFY(h.ui().waitForText(QStringLiteral("Storing key failed"), 15000));
        QVERIFY(h.answeredFalse(pending));
        QVERIFY(h.waitForLog(QStringLiteral("ERROR _createPasswordAndStore: storing key failed (")));
        QVERIFY(!h.database().keyRow(material.keyId).exists);
        QVERIFY(!StoreProbe::domainHolds(QStringLiteral("ssl-user"), material.keyId));
    }
};

QTEST_GUILESS_MAIN(TestKeyMethods)

#include "tst_keymethods.moc"
