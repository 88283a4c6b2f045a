// Who may call the real service: every local account may check a server
// certificate and introspect the service; only root and the device's user
// (the owner of the home folder) may read or change the store and the keys.
// The service holds to that on its own, also on a bus whose policy lets
// everyone through; no other account reaches its other interfaces or takes
// its name.

#include "processtestharness.h"
#include "testmaterial.h"

#include <trustkeepservice.h>

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
        if (!it.fileName().startsWith(QLatin1String("trustkeep.db")) && !it.fileName().endsWith(QLatin1String(".sock")))
            files << it.filePath() + QLatin1Char(' ') + QString::number(it.fileInfo().size());
    }
    files.sort();
    return files;
}

QString quoted(const QString &text)
{
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

ProcessTestHarness::Options withPolicy(const QString &policy)
{
    ProcessTestHarness::Options options;
    options.extraPolicy = policy;
    return options;
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
        if (!ProcessTestHarness::otherUserAvailable())
            QSKIP("needs root and setpriv to act as another user");
        READY_HARNESS(h, withPolicy(policy));
        const KeyMaterial ca = KeyMaterial::make(QStringLiteral("Trusted Root CA"), true);
        const KeyMaterial user = KeyMaterial::make(QStringLiteral("owner.test"));
        const KeyMaterial rogue = KeyMaterial::make(QStringLiteral("Rogue Root CA"), true);
        QVERIFY(h.install(ca.derText(), { "ssl-ca" }));
        QVERIFY(h.install(user.itemText(0), { "ssl-user" }));
        const QStringList before = snapshot(h.root().path());
        h.markLog();

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
            const auto result = h.callAsOtherUser(method.first, method.second);
            QVERIFY2(!result.succeeded
                         && result.output.contains(QLatin1String("org.freedesktop.DBus.Error.AccessDenied")),
                     qPrintable(method.first + QLatin1String(": ") + result.output));
            if (serviceRefuses)
                QVERIFY2(h.waitForLog(method.first + QStringLiteral(": access denied to uid 65534")),
                         qPrintable(method.first));
        }
        const auto check = h.callAsOtherUser(QStringLiteral("CheckCertificate"), { "'not a certificate'" });
        QVERIFY2(check.succeeded, qPrintable(check.output));
        QCOMPARE(check.output.trimmed(), QStringLiteral("(false,)"));

        // Introspection and ping work; the properties interface and the name
        // do not.
        const QString name = QLatin1String(TrustkeepService::name);
        auto result =
            h.runAsOtherUser({ "gdbus", "introspect", "--system", "--dest", name, "--object-path", "/request" });
        QVERIFY2(result.succeeded && result.output.contains(QLatin1String("interface com.tavelo.certman")),
                 qPrintable(result.output));
        result = h.runAsOtherUser({ "gdbus", "call", "--system", "--dest", name, "--object-path", "/request",
                                    "--method", "org.freedesktop.DBus.Peer.Ping" });
        QVERIFY2(result.succeeded && result.output.trimmed() == QLatin1String("()"), qPrintable(result.output));
        result = h.runAsOtherUser({ "gdbus", "call", "--system", "--dest", name, "--object-path", "/request",
                                    "--method", "org.freedesktop.DBus.Properties.GetAll", name });
        QVERIFY2(!result.succeeded && result.output.contains(QLatin1String("AccessDenied")), qPrintable(result.output));
        result = h.runAsOtherUser({ "dbus-send", "--system", "--print-reply", "--dest=org.freedesktop.DBus",
                                    "/org/freedesktop/DBus", "org.freedesktop.DBus.RequestName", "string:" + name,
                                    "uint32:4" });
        QVERIFY2(!result.succeeded && result.output.contains(QLatin1String("AccessDenied")), qPrintable(result.output));

        QCOMPARE(snapshot(h.root().path()), before);
        QVERIFY(h.database().keyRow(user.keyId).exists);
    }

    // No account is built in: whoever owns the home folder is the user.
    void theHomeFoldersOwnerIsTheDevicesUser()
    {
        if (!ProcessTestHarness::otherUserAvailable())
            QSKIP("needs root and setpriv to act as another user");
        READY_HARNESS(h, withPolicy(QString::fromLatin1(openPolicy)));
        const QByteArray home = QFile::encodeName(h.root().home());

        QCOMPARE(::chown(home.constData(), ProcessTestHarness::nobody, ProcessTestHarness::nobody), 0);
        auto result = h.callAsOtherUser(QStringLiteral("GetPrivateKeyData"), { quoted(QString(40, 'a')) });
        QVERIFY2(result.succeeded, qPrintable(result.output));
        QCOMPARE(result.output.trimmed(), QStringLiteral("(-1,)"));

        QCOMPARE(::chown(home.constData(), 12345, 12345), 0);
        result = h.callAsOtherUser(QStringLiteral("GetPrivateKeyData"), { quoted(QString(40, 'a')) });
        QVERIFY2(result.output.contains(QLatin1String("AccessDenied")), qPrintable(result.output));
        QCOMPARE(::chown(home.constData(), 0, 0), 0);
    }
};

QTEST_GUILESS_MAIN(TestAccess)

#include "tst_access.moc"
