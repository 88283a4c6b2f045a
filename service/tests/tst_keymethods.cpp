// The key methods of the real service as a client uses them: GetPrivateKey's
// search over the user domains and its encrypted reply, GetPrivateKeyData,
// and ChangePrivateKeyPassword with its dialog.

#include "tst_keymethods_fixture.h"
#include "trustkeepprocess.h"

namespace {

const QString wifiToken = QStringLiteral("bastra-certman-common-ca::CertUserWifiUse");
const QString otherToken = QStringLiteral("bastra-certman-common-ca::CertUserSSLUse");
const QByteArray failureText = QByteArrayLiteral("Could not retrieve key");

} // namespace

class TestKeyMethods : public QObject
{
    Q_OBJECT

private:
    static bool install(KeyServiceFixture &device, const KeyMaterial &material, int preference,
                        const QStringList &domains)
    {
        return device.call(QStringLiteral("InstallCertificateToDomains"), { material.itemText(preference), domains })
            .arguments()
            .value(0)
            .toBool();
    }

    static bool installWithPassword(KeyServiceFixture &device, const KeyMaterial &material, const QString &password)
    {
        QDBusPendingCall pending = device.callAsync(QStringLiteral("InstallCertificateToDomains"),
                                                    { material.itemText(2), QStringList{ "ssl-user" } });
        return device.chooseNewPassword(password) && KeyServiceFixture::finish(pending)
            && QDBusPendingReply<bool>(pending).value();
    }

    static QString reply(QDBusPendingCall &pending)
    {
        return KeyServiceFixture::finish(pending) ? QDBusPendingReply<QString>(pending).value() : QString();
    }

private slots:
    // Found in "wifi-user" after "ssl-user" said "not here" (no log for that),
    // and the search stops there.
    void searchFindsTheCertificateInTheWifiUserDomain()
    {
        KeyServiceFixture device;
        QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
        const KeyMaterial material = KeyMaterial::make(QStringLiteral("wifi.test"));
        const KeyMaterial neighbour = KeyMaterial::make(QStringLiteral("neighbour.test"));
        QVERIFY(!material.isNull() && !neighbour.isNull());
        QVERIFY(install(device, material, 0, { "wifi-user" }));
        QVERIFY(KeyServiceFixture::addToDomain(QStringLiteral("ssl-user"), neighbour));
        // The activated service goes; one of our own, watched by the store
        // shim, takes its place.
        QVERIFY(device.bus.waitForName(KeyServiceFixture::serviceName(), false, 15000));

        const QString shimLog = device.root.resolve(QStringLiteral("/shim.log"));
        QProcessEnvironment env = device.bus.environment();
        env.insert(QStringLiteral("LD_PRELOAD"),
                   qEnvironmentVariable("TRUSTKEEP_BUILD_DIR") + QStringLiteral("/lib/libcertstoreshim.so"));
        env.insert(QStringLiteral("CERTSTORE_SHIM_LOG"), shimLog);
        TrustkeepProcess trustkeep(env);
        trustkeep.start({ QStringLiteral("--dbus") });
        QVERIFY(device.bus.waitForName(KeyServiceFixture::serviceName(), true));

        const QDBusMessage answer = device.call(QStringLiteral("GetPrivateKey"), { material.keyId, wifiToken });
        QCOMPARE(answer.type(), QDBusMessage::ReplyMessage);
        QCOMPARE(KeyServiceFixture::decrypt(answer.arguments().value(0).toString(), wifiToken),
                 material.privateDer());
        // Only a holder of the named token can read it.
        QVERIFY(KeyServiceFixture::decrypt(answer.arguments().value(0).toString(), otherToken).isEmpty());

        QFile file(shimLog);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QStringList loads;
        for (const QString &line : QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)) {
            if (line.startsWith(QLatin1String("load ")))
                loads << line.section(' ', 1, 1);
        }
        QCOMPARE(loads, QStringList({ "ssl-user", "wifi-user" }));
        QVERIFY(trustkeep.waitForFinished());
        const QStringList errors = trustkeep.logLines().filter(QStringLiteral("): ERROR "));
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
    }

    // What a client does from start to end: install a CA and a user
    // certificate with its key, list them, fetch and decrypt the key,
    // change its password, delete both.
    void clientRoundTrip()
    {
        KeyServiceFixture device;
        QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
        const KeyMaterial ca = KeyMaterial::make(QStringLiteral("Round Trip CA"), true);
        const KeyMaterial user = KeyMaterial::make(QStringLiteral("roundtrip.test"));
        QVERIFY(!ca.isNull() && !user.isNull());

        QVERIFY(device.call(QStringLiteral("InstallCertificateToDomains"), { ca.derText(), QStringList{ "wifi-ca" } })
                    .arguments().value(0).toBool());
        QVERIFY(installWithPassword(device, user, QStringLiteral("first")));

        const QDBusMessage listed = device.call(QStringLiteral("LoadCertificatesFromDomains"),
                                                { QStringList{ "wifi-ca", "ssl-user" } });
        const QVariantMap certificates = qdbus_cast<QVariantMap>(listed.arguments().value(0));
        QCOMPARE(certificates.value(ca.derText()).toString(), QStringLiteral("wifi-ca"));
        QCOMPARE(certificates.value(user.derText()).toString(), QStringLiteral("ssl-user"));

        QDBusPendingCall fetch = device.callAsync(QStringLiteral("GetPrivateKey"), { user.keyId, wifiToken });
        QVERIFY(device.enterPassword(QStringLiteral("first")));
        QCOMPARE(KeyServiceFixture::decrypt(reply(fetch), wifiToken), user.privateDer());

        QDBusPendingCall change = device.callAsync(QStringLiteral("ChangePrivateKeyPassword"), { user.keyId });
        QVERIFY(device.type(QStringLiteral("currentPasswordField"), QStringLiteral("first")));
        QVERIFY(device.chooseNewPassword(QStringLiteral("second")));
        QVERIFY(KeyServiceFixture::finish(change));
        QVERIFY(QDBusPendingReply<bool>(change).value());

        auto remove = [&](const KeyMaterial &material, const QString &domain) {
            return device.call(QStringLiteral("DeleteCertificateFromDomains"), { material.keyId, QStringList{ domain } })
                .arguments().value(0).toBool();
        };
        QVERIFY(remove(ca, QStringLiteral("wifi-ca")));
        QVERIFY(remove(user, QStringLiteral("ssl-user")));
        QVERIFY(!device.keyRow(user.keyId).exists);
        const QDBusMessage empty = device.call(QStringLiteral("LoadCertificatesFromDomains"),
                                               { QStringList{ "wifi-ca", "ssl-user" } });
        QVERIFY(qdbus_cast<QVariantMap>(empty.arguments().value(0)).isEmpty());
    }

    void failuresLookLikeKeysUnlessTheTokenIsRefused()
    {
        KeyServiceFixture device;
        QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
        const KeyMaterial guarded = KeyMaterial::make(QStringLiteral("guarded.test"));
        const KeyMaterial plain = KeyMaterial::make(QStringLiteral("plain.test"));
        const KeyMaterial absent = KeyMaterial::make(QStringLiteral("absent.test"));
        QVERIFY(!guarded.isNull() && !plain.isNull() && !absent.isNull());
        QVERIFY(installWithPassword(device, guarded, QStringLiteral("secret")));
        QVERIFY(install(device, plain, 0, { "smime-user" }));

        // The user cancels the password dialog.
        QDBusPendingCall cancelled = device.callAsync(QStringLiteral("GetPrivateKey"), { guarded.keyId, wifiToken });
        QVERIFY(device.click(QStringLiteral("cancelButton")));
        QCOMPARE(KeyServiceFixture::decrypt(reply(cancelled), wifiToken), failureText);

        // No certificate for the key in any user domain, and a key id that
        // does not parse: the same encrypted failure text.
        device.markLog();
        auto ask = [&](const QString &keyId, const QString &token) {
            const QDBusMessage answer = device.call(QStringLiteral("GetPrivateKey"), { keyId, token });
            return answer.type() == QDBusMessage::ReplyMessage ? answer.arguments().value(0).toString()
                                                                : QStringLiteral("(error)");
        };
        QCOMPARE(KeyServiceFixture::decrypt(ask(absent.keyId, wifiToken), wifiToken), failureText);
        QVERIFY(device.waitForLog(QStringLiteral("dbusservice(")));
        QVERIFY(device.logSinceMark().contains(QLatin1String("ERROR GetPrivateKey: cert not found")));
        QCOMPARE(KeyServiceFixture::decrypt(ask(QStringLiteral("not-a-key-id"), wifiToken), wifiToken), failureText);
        QCOMPARE(KeyServiceFixture::decrypt(ask(QString(100000, QLatin1Char('f')), wifiToken), wifiToken),
                 failureText);

        // A token the encryption refuses: an empty reply, even for a key
        // that would be handed out silently.
        QCOMPARE(ask(plain.keyId, QStringLiteral("no token")), QString());
        QCOMPARE(ask(plain.keyId, QString()), QString());
        QCOMPARE(KeyServiceFixture::decrypt(ask(plain.keyId, wifiToken), wifiToken), plain.privateDer());
    }

    void keyDataTellsThePreferenceWithoutAsking()
    {
        KeyServiceFixture device;
        QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
        const KeyMaterial none = KeyMaterial::make(QStringLiteral("none.test"));
        const KeyMaterial notify = KeyMaterial::make(QStringLiteral("notify.test"));
        const KeyMaterial guarded = KeyMaterial::make(QStringLiteral("guarded.test"));
        QVERIFY(!none.isNull() && !notify.isNull() && !guarded.isNull());
        QVERIFY(install(device, none, 0, { "ssl-user" }));
        QVERIFY(install(device, notify, 1, { "ssl-user" }));
        QVERIFY(installWithPassword(device, guarded, QStringLiteral("pw")));

        auto preference = [&](const QString &id) {
            const QDBusMessage answer = device.call(QStringLiteral("GetPrivateKeyData"), { id });
            return answer.type() == QDBusMessage::ReplyMessage ? answer.arguments().value(0).toInt() : -99;
        };
        QCOMPARE(preference(none.keyId), 0);
        QCOMPARE(preference(notify.keyId), 1);
        QCOMPARE(preference(guarded.keyId), 2);
        QCOMPARE(preference(KeyMaterial::make(QStringLiteral("other.test")).keyId), -1);
        QCOMPARE(preference(QStringLiteral("garbage")), 0);
        QCOMPARE(preference(QString()), 0);
        QCOMPARE(preference(QString(1 << 20, QLatin1Char('x'))), 0);
    }

    void changePasswordAsksUntilTheCurrentOneIsRight()
    {
        KeyServiceFixture device;
        QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
        const KeyMaterial material = KeyMaterial::make(QStringLiteral("change.test"));
        QVERIFY(!material.isNull());
        QVERIFY(installWithPassword(device, material, QStringLiteral("old")));

        // A cancel changes nothing.
        QDBusPendingCall cancelled = device.callAsync(QStringLiteral("ChangePrivateKeyPassword"), { material.keyId });
        QVERIFY(device.click(QStringLiteral("cancelButton")));
        QVERIFY(KeyServiceFixture::finish(cancelled));
        QCOMPARE(QDBusPendingReply<bool>(cancelled).value(), false);

        QDBusPendingCall pending = device.callAsync(QStringLiteral("ChangePrivateKeyPassword"), { material.keyId });
        QVERIFY(device.type(QStringLiteral("currentPasswordField"), QStringLiteral("wrong")));
        QVERIFY(device.chooseNewPassword(QStringLiteral("new")));
        QVERIFY(device.waitForText(QStringLiteral("Incorrect password")));
        QVERIFY(!pending.isFinished());
        QVERIFY(device.type(QStringLiteral("currentPasswordField"), QStringLiteral("old")));
        QVERIFY(device.chooseNewPassword(QStringLiteral("new")));
        QVERIFY(KeyServiceFixture::finish(pending));
        QVERIFY(QDBusPendingReply<bool>(pending).value());
        QCOMPARE(device.keyRow(material.keyId).preference, 2);

        // The old password no longer opens the key; the new one does.
        QDBusPendingCall fetch = device.callAsync(QStringLiteral("GetPrivateKey"), { material.keyId, wifiToken });
        QVERIFY(device.enterPassword(QStringLiteral("old")));
        QVERIFY(device.waitFor(QStringLiteral("passwordNotice")));
        QVERIFY(device.enterPassword(QStringLiteral("new")));
        QCOMPARE(KeyServiceFixture::decrypt(reply(fetch), wifiToken), material.privateDer());
    }
};

QTEST_GUILESS_MAIN(TestKeyMethods)

#include "tst_keymethods.moc"
