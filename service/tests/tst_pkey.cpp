// Key records through the real service: how each authorization preference
// hands a key out, moves between the database and the certificate store,
// the record's domains, and the failures a user or a damaged record meets.
// Dialogs are answered through the automation endpoint.

#include "tst_keymethods_fixture.h"

namespace {

const QString token = QStringLiteral("bastra-certman-common-ca::CertUserSSLUse");
const QByteArray failureText = QByteArrayLiteral("Could not retrieve key");

} // namespace

class TestPKey : public QObject
{
    Q_OBJECT

private:
    // Installs the key's certificate with its key and preference into domains.
    static bool installQuietly(KeyServiceFixture &device, const KeyMaterial &material, int preference,
                               const QStringList &domains)
    {
        const QDBusMessage reply = device.call(QStringLiteral("InstallCertificateToDomains"),
                                               { material.itemText(preference), domains });
        return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool();
    }

    static bool installWithPassword(KeyServiceFixture &device, const KeyMaterial &material, const QString &password)
    {
        QDBusPendingCall pending = device.callAsync(QStringLiteral("InstallCertificateToDomains"),
                                                    { material.itemText(2), QStringList{ "ssl-user" } });
        return device.chooseNewPassword(password) && KeyServiceFixture::finish(pending)
            && QDBusPendingReply<bool>(pending).value();
    }

    static QByteArray keyOf(KeyServiceFixture &device, const KeyMaterial &material)
    {
        const QDBusMessage reply = device.call(QStringLiteral("GetPrivateKey"), { material.keyId, token });
        return KeyServiceFixture::decrypt(reply.arguments().value(0).toString(), token);
    }

    static QByteArray pendingKey(QDBusPendingCall &pending)
    {
        if (!KeyServiceFixture::finish(pending))
            return QByteArray("(no reply)");
        return KeyServiceFixture::decrypt(QDBusPendingReply<QString>(pending).value(), token);
    }

private slots:
    void retrievalFollowsThePreference()
    {
        KeyServiceFixture device;
        QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
        const KeyMaterial silent = KeyMaterial::make(QStringLiteral("silent.test"));
        const KeyMaterial notify = KeyMaterial::make(QStringLiteral("notify.test"));
        const KeyMaterial guarded = KeyMaterial::make(QStringLiteral("guarded.test"));
        QVERIFY(!silent.isNull() && !notify.isNull() && !guarded.isNull());

        QVERIFY(installQuietly(device, silent, 0, { "ssl-user" }));
        QVERIFY(installQuietly(device, notify, 1, { "ssl-user" }));
        QVERIFY(installWithPassword(device, guarded, QStringLiteral("secret")));

        KeyRow row = device.keyRow(silent.keyId);
        QVERIFY(row.exists);
        QCOMPARE(row.preference, 0);
        QCOMPARE(row.cn, QStringLiteral("silent.test"));
        QCOMPARE(row.domains, QStringLiteral("ssl-user"));
        QCOMPARE(row.der, silent.privateDer());
        row = device.keyRow(guarded.keyId);
        QCOMPARE(row.preference, 2);
        QVERIFY(row.der.isEmpty());

        // Preference 0: no dialog at all (a dialog would hold the blocking call).
        QCOMPARE(keyOf(device, silent), silent.privateDer());

        // Preference 1: the confirmation; declining it withholds the key.
        QDBusPendingCall confirmed = device.callAsync(QStringLiteral("GetPrivateKey"), { notify.keyId, token });
        QVERIFY(device.click(QStringLiteral("acceptButton")));
        QCOMPARE(pendingKey(confirmed), notify.privateDer());
        QDBusPendingCall declined = device.callAsync(QStringLiteral("GetPrivateKey"), { notify.keyId, token });
        QVERIFY(device.click(QStringLiteral("cancelButton")));
        QCOMPARE(pendingKey(declined), failureText);

        // Preference 2: a wrong password is told and asked again.
        QDBusPendingCall asked = device.callAsync(QStringLiteral("GetPrivateKey"), { guarded.keyId, token });
        QVERIFY(device.enterPassword(QStringLiteral("wrong")));
        QVERIFY(device.waitFor(QStringLiteral("passwordNotice")));
        QVERIFY(!asked.isFinished());
        QVERIFY(device.enterPassword(QStringLiteral("secret")));
        QCOMPARE(pendingKey(asked), guarded.privateDer());

        // No key material in any log line.
        const QString log = device.bus.daemonLog();
        for (const KeyMaterial *material : { &silent, &notify, &guarded }) {
            QVERIFY(!log.contains(QString::fromLatin1(material->privateDer().toBase64())));
            QVERIFY(!log.contains(QString::fromLatin1(material->privateDer().toHex())));
        }
        QVERIFY(!log.contains(QLatin1String("secret")));
    }

    // The applet re-installs a certificate with a new preference; the key
    // moves between the database and the store, and a cancel changes nothing.
    void preferenceMovesBetweenDatabaseAndStore()
    {
        KeyServiceFixture device;
        QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
        const KeyMaterial material = KeyMaterial::make(QStringLiteral("moving.test"));
        QVERIFY(!material.isNull());
        QVERIFY(installQuietly(device, material, 0, { "ssl-user" }));

        // 0 -> 5 (taken as 2): cancelling the new password keeps preference 0.
        QDBusPendingCall cancelled = device.callAsync(QStringLiteral("InstallCertificateToDomains"),
                                                      { material.itemText(5), QStringList{ "ssl-user" } });
        QVERIFY(device.click(QStringLiteral("cancelButton")));
        QVERIFY(KeyServiceFixture::finish(cancelled));
        QCOMPARE(QDBusPendingReply<bool>(cancelled).value(), false);
        KeyRow row = device.keyRow(material.keyId);
        QCOMPARE(row.preference, 0);
        QCOMPARE(row.der, material.privateDer());

        // 0 -> 2: a new password, and the image leaves the database.
        QVERIFY(installWithPassword(device, material, QStringLiteral("pw-one")));
        row = device.keyRow(material.keyId);
        QCOMPARE(row.preference, 2);
        QVERIFY(row.der.isEmpty());
        QDBusPendingCall fromStore = device.callAsync(QStringLiteral("GetPrivateKey"), { material.keyId, token });
        QVERIFY(device.enterPassword(QStringLiteral("pw-one")));
        QCOMPARE(pendingKey(fromStore), material.privateDer());

        // 2 -> 0: the current password once, and the image is back.
        QDBusPendingCall back = device.callAsync(QStringLiteral("InstallCertificateToDomains"),
                                                 { material.itemText(0), QStringList{ "ssl-user" } });
        QVERIFY(device.enterPassword(QStringLiteral("pw-one")));
        QVERIFY(KeyServiceFixture::finish(back));
        QVERIFY(QDBusPendingReply<bool>(back).value());
        row = device.keyRow(material.keyId);
        QCOMPARE(row.preference, 0);
        QCOMPARE(row.der, material.privateDer());

        // The same preference again: nothing to ask, nothing to change.
        QVERIFY(installQuietly(device, material, 0, { "ssl-user" }));
        QCOMPARE(device.keyRow(material.keyId).der, material.privateDer());
        QCOMPARE(device.call(QStringLiteral("GetPrivateKeyData"), { material.keyId }).arguments().value(0).toInt(), 0);
    }

    void recordFollowsTheDomains()
    {
        KeyServiceFixture device;
        QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
        const KeyMaterial material = KeyMaterial::make(QStringLiteral("domains.test"));
        QVERIFY(!material.isNull());
        QVERIFY(installQuietly(device, material, 0, { "ssl-user", "wifi-user" }));
        QCOMPARE(device.keyRow(material.keyId).domains, QStringLiteral("ssl-user, wifi-user"));

        // A re-install replaces the list with exactly the new domains.
        QVERIFY(installQuietly(device, material, 0, { "smime-user", "wifi-user" }));
        QCOMPARE(device.keyRow(material.keyId).domains, QStringLiteral("smime-user, wifi-user"));

        auto remove = [&](const QStringList &domains) {
            return device.call(QStringLiteral("DeleteCertificateFromDomains"), { material.keyId, domains })
                .arguments()
                .value(0)
                .toBool();
        };
        QVERIFY(remove({ "wifi-user" }));
        QCOMPARE(device.keyRow(material.keyId).domains, QStringLiteral("smime-user"));
        QVERIFY(remove({ "smime-user" }));
        QVERIFY(!device.keyRow(material.keyId).exists);
        QCOMPARE(device.call(QStringLiteral("GetPrivateKeyData"), { material.keyId }).arguments().value(0).toInt(), -1);
    }

    void unknownIdsDamagedRecordsAndRefusedChanges()
    {
        KeyServiceFixture device;
        QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
        const KeyMaterial material = KeyMaterial::make(QStringLiteral("held.test"));
        QVERIFY(!material.isNull());
        QVERIFY(installQuietly(device, material, 0, { "ssl-user" }));

        device.markLog();
        auto preference = [&](const QString &id) {
            return device.call(QStringLiteral("GetPrivateKeyData"), { id }).arguments().value(0).toInt();
        };
        QCOMPARE(preference(QString(40, QLatin1Char('a'))), -1);
        QCOMPARE(preference(QStringLiteral("zz")), 0);
        QVERIFY(device.waitForLog(QStringLiteral("pkey(")));
        QVERIFY(device.logSinceMark().contains(QLatin1String("ERROR PKey: unable to parse a key id zz")));

        // A key held in the database has no password to change.
        device.markLog();
        QDBusMessage reply = device.call(QStringLiteral("ChangePrivateKeyPassword"), { material.keyId }, 20000);
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
        QCOMPARE(reply.arguments().value(0).toBool(), false);
        QVERIFY(device.waitForLog(QStringLiteral(
            "ERROR changePassword: changing a password required for a key that seems to be stored in DB (preference 0)")));
        reply = device.call(QStringLiteral("ChangePrivateKeyPassword"), { QString(40, QLatin1Char('c')) }, 20000);
        QCOMPARE(reply.arguments().value(0).toBool(), false);
        QVERIFY(device.waitForLog(QStringLiteral("ERROR changePassword: the key does not seem to be installed")));

        // A preference-0 record that lost its image: logged, not handed out.
        QSqlQuery damage(device.database());
        damage.prepare(QStringLiteral("UPDATE keys SET der_dump = NULL WHERE id = ?"));
        damage.addBindValue(material.keyId);
        QVERIFY(damage.exec());
        device.markLog();
        QCOMPARE(keyOf(device, material), failureText);
        QVERIFY(device.waitForLog(QStringLiteral("ERROR _retrieve: found inconsistent DB data: key should be in DB, "
                                                 "but it is not. key_id %1, authPreference 0").arg(material.keyId)));
    }

    // The store cannot take the key (a file stands where its folder goes):
    // the banner shows, the call fails, and no domain got the certificate.
    void storingFailureShowsTheBannerAndChangesNothing()
    {
        KeyServiceFixture device;
        QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
        QVERIFY(CertificateFactory::writeFile(device.root.keyFolder(), "in the way"));
        const KeyMaterial material = KeyMaterial::make(QStringLiteral("unstorable.test"));
        QVERIFY(!material.isNull());

        QDBusPendingCall pending = device.callAsync(QStringLiteral("InstallCertificateToDomains"),
                                                    { material.itemText(2), QStringList{ "ssl-user" } });
        device.markLog();
        QVERIFY(device.chooseNewPassword(QStringLiteral("pw")));
        QVERIFY(device.waitForText(QStringLiteral("Storing key failed")));
        QVERIFY(KeyServiceFixture::finish(pending));
        QCOMPARE(QDBusPendingReply<bool>(pending).value(), false);
        QVERIFY(device.waitForLog(QStringLiteral("ERROR _createPasswordAndStore: storing key failed (")));
        QVERIFY(!device.keyRow(material.keyId).exists);
        QVERIFY(!KeyServiceFixture::domainHolds(QStringLiteral("ssl-user"), material));
    }
};

QTEST_GUILESS_MAIN(TestPKey)

#include "tst_pkey.moc"
