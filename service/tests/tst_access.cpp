// Who may call the real service: every local account may check a server
// certificate; only root and the device's user (the owner of the home
// folder) may read or change the store and the keys. The service holds to
// that on its own, also on a bus whose policy lets everyone through.

#include "otheruser.h"
#include "tst_keymethods_fixture.h"

#include <QDirIterator>

#include <unistd.h>

namespace {

// A policy that lets every account call the whole interface, so that what
// the service itself refuses shows.
const char openPolicy[] = R"(<policy context="default">
    <allow send_destination="com.tavelo.certman" send_interface="com.tavelo.certman"/>
  </policy>)";

// Every file under the device root with its size.
QStringList snapshot(const QString &root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        if (!it.fileName().startsWith(QLatin1String("trustkeep.db")))
            files << it.filePath() + QLatin1Char(' ') + QString::number(it.fileInfo().size());
    }
    files.sort();
    return files;
}

QString quoted(const QString &text)
{
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

} // namespace

class TestAccess : public QObject
{
    Q_OBJECT

private slots:
    void otherAccountsMayOnlyCheckCertificates_data()
    {
        QTest::addColumn<QString>("policy");
        QTest::addColumn<bool>("serviceRefuses");
        QTest::newRow("shipped policy") << QString() << false;
        QTest::newRow("open policy") << QString::fromLatin1(openPolicy) << true;
    }

    void otherAccountsMayOnlyCheckCertificates()
    {
        QFETCH(QString, policy);
        QFETCH(bool, serviceRefuses);
        if (!OtherUser::isAvailable())
            QSKIP("needs root and setpriv to act as another user");
        KeyServiceFixture device(policy);
        QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
        const KeyMaterial ca = KeyMaterial::make(QStringLiteral("Trusted Root CA"), true);
        const KeyMaterial user = KeyMaterial::make(QStringLiteral("owner.test"));
        const KeyMaterial rogue = KeyMaterial::make(QStringLiteral("Rogue Root CA"), true);
        QVERIFY(!ca.isNull() && !user.isNull() && !rogue.isNull());
        QVERIFY(device.call("InstallCertificateToDomains", { ca.derText(), QStringList{ "ssl-ca" } }).arguments().value(0).toBool());
        QVERIFY(device.call("InstallCertificateToDomains", { user.itemText(0), QStringList{ "ssl-user" } }).arguments().value(0).toBool());
        const QStringList before = snapshot(device.root.path());
        device.markLog();

        const QList<QPair<QString, QStringList>> refused{
            { "InstallCertificateToDomains", { quoted(rogue.derText()), "['ssl-ca', 'wifi-ca']" } },
            { "DeleteCertificateFromDomains", { quoted(ca.keyId), "['ssl-ca']" } },
            { "LoadCertificatesFromDomains", { "['ssl-ca', 'ssl-user']" } },
            { "GetPrivateKey", { quoted(user.keyId), "'bastra-certman-common-ca::CertUserSSLUse'" } },
            { "GetPrivateKeyData", { quoted(user.keyId) } },
            { "ChangePrivateKeyPassword", { quoted(user.keyId) } },
            { "ShowCertificateInfo", { quoted(ca.derText()) } },
        };
        for (const auto &method : refused) {
            const OtherUser::Result result = OtherUser::call(device.bus, method.first, method.second);
            QVERIFY2(!result.succeeded && result.output.contains(QLatin1String("org.freedesktop.DBus.Error.AccessDenied")),
                     qPrintable(method.first + QLatin1String(": ") + result.output));
            if (serviceRefuses)
                QVERIFY2(device.waitForLog(method.first + QStringLiteral(": access denied to uid 65534")),
                         qPrintable(method.first));
        }
        const OtherUser::Result check = OtherUser::call(device.bus, "CheckCertificate", { "'not a certificate'" });
        QVERIFY2(check.succeeded, qPrintable(check.output));
        QCOMPARE(check.output.trimmed(), QStringLiteral("(false,)"));

        QCOMPARE(snapshot(device.root.path()), before);
        QVERIFY(device.keyRow(user.keyId).exists);
    }

    // No account is built in: whoever owns the home folder is the user.
    void theHomeFoldersOwnerIsTheDevicesUser()
    {
        if (!OtherUser::isAvailable())
            QSKIP("needs root and setpriv to act as another user");
        KeyServiceFixture device(QString::fromLatin1(openPolicy));
        QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
        const QByteArray home = QFile::encodeName(device.root.home());

        QCOMPARE(::chown(home.constData(), OtherUser::nobody, OtherUser::nobody), 0);
        OtherUser::Result result = OtherUser::call(device.bus, "GetPrivateKeyData", { quoted(QString(40, 'a')) });
        QVERIFY2(result.succeeded, qPrintable(result.output));
        QCOMPARE(result.output.trimmed(), QStringLiteral("(-1,)"));

        QCOMPARE(::chown(home.constData(), 12345, 12345), 0);
        result = OtherUser::call(device.bus, "GetPrivateKeyData", { quoted(QString(40, 'a')) });
        QVERIFY2(result.output.contains(QLatin1String("AccessDenied")), qPrintable(result.output));
        QCOMPARE(::chown(home.constData(), 0, 0), 0);
    }
};

QTEST_GUILESS_MAIN(TestAccess)

#include "tst_access.moc"
