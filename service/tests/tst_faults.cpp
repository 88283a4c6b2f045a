// The real trustkeep when its surroundings fail: a database that stops
// taking writes while the service runs, a corrupt database at start, the
// service killed in the middle of a stream of decisions and installs, and a
// store folder that cannot be written.

#include "tst_loadfixture.h"

#include <certificateitem.h>
#include <zelvoautomationclient.h>

#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QRandomGenerator>
#include <QThread>

#include <openssl/x509.h>

#include <csignal>

using namespace loadtest;

namespace {

struct KeyedCertificate {
    IssuedCertificate made;
    QString keyId;
    QString itemText;   // Base64 of the serialized item with its key
};

// A certificate with its key, as an item whose key the service keeps in
// its database (preference 0), for the ssl purpose.
KeyedCertificate keyedCertificate(const QString &commonName)
{
    CertificateFactory::Options options;
    options.commonName = commonName;
    KeyedCertificate keyed;
    keyed.made = CertificateFactory::makeSelfSigned(options);
    if (keyed.made.isNull())
        return keyed;
    keyed.keyId = keyIdText(keyed.made.certificate.data());
    CertificateItem item;
    QByteArray image;
    if (item.setCertificate(keyed.made.certificate.data()) && item.setPrivateKey(keyed.made.key.data())) {
        item.authPreference = 0;
        if (item.serialize(image))
            keyed.itemText = QString::fromLatin1(image.toBase64());
    }
    return keyed;
}

bool hasErrorLine(TrustkeepProcess &trustkeep)
{
    for (const QString &line : trustkeep.logLines()) {
        if (line.contains(QLatin1String(": ERROR ")))
            return true;
    }
    return false;
}

// The file of a certificate in a store domain is whole: exactly one DER
// certificate whose key id is the file's name.
QString wholeCertificateFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("unreadable");
    const QByteArray der = file.readAll();
    const unsigned char *cursor = reinterpret_cast<const unsigned char *>(der.constData());
    X509 *certificate = d2i_X509(nullptr, &cursor, der.size());
    if (!certificate)
        return QStringLiteral("not a certificate");
    const QString keyId = keyIdText(certificate);
    X509_free(certificate);
    if (cursor != reinterpret_cast<const unsigned char *>(der.constData()) + der.size())
        return QStringLiteral("trailing bytes");
    if (keyId.compare(QFileInfo(path).fileName(), Qt::CaseInsensitive) != 0)
        return QStringLiteral("named after another key id");
    return QString();
}

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void databaseStopsTakingWrites();
    void corruptDatabaseAtStart();
    void killedInTheMiddle();
    void storeFolderUnwritable();
};

void TestFaults::databaseStopsTakingWrites()
{
    Device device;
    QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
    QVERIFY(device.startService());

    const KeyedCertificate first = keyedCertificate(QStringLiteral("First"));
    const KeyedCertificate second = keyedCertificate(QStringLiteral("Second"));
    QVERIFY(!first.itemText.isEmpty() && !second.itemText.isEmpty());
    const QStringList domains{ QStringLiteral("ssl-user") };

    // SQLite writes its rollback journal beside the file before it changes
    // anything; with a folder in that place no write can start, as on a
    // file system gone read-only (permissions would not stop root).
    const QString journal = device.databasePath() + QStringLiteral("-journal");
    QVERIFY(QDir().mkpath(journal));
    QDBusMessage reply = device.call(QStringLiteral("InstallCertificateToDomains"), { first.itemText, domains });
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    QCOMPARE(reply.arguments().value(0).toBool(), false);
    QVERIFY(device.trustkeep.waitForLog(QStringLiteral(": ERROR ")));
    QVERIFY(device.trustkeep.isRunning());
    // Reading calls still get an answer (possibly their failure value).
    reply = device.call(QStringLiteral("GetPrivateKeyData"), { first.keyId });
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    QVERIFY(reply.arguments().value(0).toInt() <= 0);

    // Once the database takes writes again, so does the service.
    QVERIFY(QDir(journal).removeRecursively());
    reply = device.call(QStringLiteral("InstallCertificateToDomains"), { second.itemText, domains });
    QCOMPARE(reply.arguments().value(0).toBool(), true);
    reply = device.call(QStringLiteral("GetPrivateKeyData"), { second.keyId });
    QCOMPARE(reply.arguments().value(0).toInt(), 0);
    QCOMPARE(device.integrityCheck(), QStringLiteral("ok"));
}

void TestFaults::corruptDatabaseAtStart()
{
    Device device;
    QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
    QByteArray garbage("SQLite format 3");
    garbage.append('\0');
    for (int i = 0; i < 4096; ++i)
        garbage.append(char(QRandomGenerator::global()->bounded(256)));
    QVERIFY(CertificateFactory::writeFile(device.databasePath(), garbage));

    device.trustkeep.start({ QStringLiteral("--dbus") });
    QVERIFY(device.trustkeep.waitForFinished());
    QCOMPARE(device.trustkeep.exitCode(), 255);
    QVERIFY2(device.trustkeep.hasLog(QStringLiteral("main(")) && hasErrorLine(device.trustkeep),
             qPrintable(device.trustkeep.logLines().join('\n')));
    QVERIFY(device.trustkeep.hasLog(QStringLiteral("ERROR Could not")));
    // Never registered: nobody owns the name.
    QCOMPARE(device.bus.ownerPid(serviceName()), qint64(0));
    // And the file is left as it was for whoever can repair it.
    QFile file(device.databasePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), garbage);
}

void TestFaults::killedInTheMiddle()
{
    Device device;
    QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
    QVERIFY(device.startService());
    ZelvoAutomationClient ui(device.bus.automationSocket());
    QDBusConnection connection = device.bus.connection();

    QRandomGenerator random(QRandomGenerator::global()->generate());
    const int operations = 6 + random.bounded(6);   // the last one is cut short
    QList<QPair<QString, QByteArray>> trusted;    // answered true: name, DER
    QStringList installed;                         // answered true: key ids
    const QStringList domains{ QStringLiteral("ssl-user") };

    for (int i = 0; i < operations; ++i) {
        const bool last = i == operations - 1;
        QDBusPendingCall call = QDBusPendingCall::fromCompletedCall(QDBusMessage());
        QString keyId;
        QString name;
        QByteArray der;
        if (i % 2 == 0) {
            // A trust decision: a new server, the user trusts it.
            name = QStringLiteral("server%1.example.test").arg(i);
            der = serverDer(name);
            call = connection.asyncCall(methodCall(QStringLiteral("CheckCertificate"),
                                                   { QString::fromLatin1(der.toBase64()) }), 120000);
            QVERIFY(ui.waitFor(QStringLiteral("serverCertificateInstallNewPage"), 30000));
            QVERIFY(ui.click(QStringLiteral("CertmanTustButton")));
        } else {
            const KeyedCertificate keyed = keyedCertificate(QStringLiteral("Key %1").arg(i));
            QVERIFY(!keyed.itemText.isEmpty());
            keyId = keyed.keyId;
            call = connection.asyncCall(methodCall(QStringLiteral("InstallCertificateToDomains"),
                                                   { keyed.itemText, domains }), 120000);
        }
        if (last) {
            // Somewhere inside the write the answer leads to.
            QThread::usleep(random.bounded(20000));
            QVERIFY(::kill(pid_t(device.trustkeep.pid()), SIGKILL) == 0);
            break;
        }
        QVERIFY(QTest::qWaitFor([&] { return call.isFinished(); }, 120000));
        QDBusPendingReply<bool> reply = call;
        QVERIFY2(reply.isValid(), qPrintable(reply.error().message()));
        if (!reply.value())
            continue;
        if (keyId.isEmpty())
            trusted.append({ name, der });
        else
            installed << keyId;
    }
    QVERIFY(device.trustkeep.waitForFinished());
    QCOMPARE(device.trustkeep.exitCode(), -1);   // killed, not ended
    QVERIFY(!trusted.isEmpty() && !installed.isEmpty());

    QCOMPARE(device.integrityCheck(), QStringLiteral("ok"));
    QSqlDatabase db = device.database();
    for (const auto &record : trusted) {
        QSqlQuery query(db);
        query.prepare(QStringLiteral("SELECT COUNT(*) FROM certificates WHERE subject_cn = ? AND der_dump = ?"));
        query.addBindValue(record.first);
        query.addBindValue(record.second);
        QVERIFY(query.exec() && query.next());
        QVERIFY2(query.value(0).toInt() == 1, qPrintable(record.first));
    }
    const QString domainFolder = device.root.privateDomainFolder(QStringLiteral("ssl-user"));
    for (const QString &keyId : installed) {
        QSqlQuery query(db);
        query.prepare(QStringLiteral("SELECT COUNT(*) FROM keys WHERE id = ?"));
        query.addBindValue(keyId);
        QVERIFY(query.exec() && query.next());
        QVERIFY2(query.value(0).toInt() == 1, qPrintable(keyId));
        QVERIFY2(QFileInfo::exists(QDir(domainFolder).filePath(keyId)), qPrintable(keyId));
    }
    // Every certificate file the store shows is whole. (A write cut short
    // can only leave a hidden temporary, which the store never lists.)
    QDirIterator files(device.storeFolder(), QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        if (path.contains(QLatin1String("/.keys/")) || files.fileName().startsWith(QLatin1String(".tmp-")))
            continue;
        const QString fault = wholeCertificateFile(path);
        QVERIFY2(fault.isEmpty(), qPrintable(path + QStringLiteral(": ") + fault));
    }

    // A new service starts over the same files and knows the decisions.
    device.closeDatabase();
    TrustkeepProcess again(device.bus);
    again.start({ QStringLiteral("--dbus") });
    QVERIFY(device.bus.waitForName(serviceName(), true, 30000));
    const QDBusMessage reply = device.call(QStringLiteral("CheckCertificate"),
                                           { QString::fromLatin1(trusted.first().second.toBase64()) });
    QCOMPARE(reply.arguments().value(0).toBool(), true);
}

void TestFaults::storeFolderUnwritable()
{
    Device device;
    QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
    QVERIFY(device.startService());
    const KeyedCertificate keyed = keyedCertificate(QStringLiteral("Blocked"));
    QVERIFY(!keyed.made.isNull());
    const QString derText = QString::fromLatin1(CertificateFactory::toDer(keyed.made.certificate.data()).toBase64());

    // A file where a domain's folder belongs.
    QVERIFY(CertificateFactory::writeFile(device.root.privateDomainFolder(QStringLiteral("ssl-ca")), "in the way"));
    QDBusMessage reply = device.call(QStringLiteral("InstallCertificateToDomains"),
                                     { derText, QStringList{ QStringLiteral("ssl-ca") } });
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    QCOMPARE(reply.arguments().value(0).toBool(), false);
    QVERIFY(device.trustkeep.waitForLog(QStringLiteral("ERROR _installCertToDomains")));

    // A file where the whole private store belongs.
    QVERIFY(QDir(device.storeFolder()).removeRecursively());
    QVERIFY(CertificateFactory::writeFile(device.storeFolder(), "in the way"));
    reply = device.call(QStringLiteral("InstallCertificateToDomains"),
                        { derText, QStringList{ QStringLiteral("wifi-user") } });
    QCOMPARE(reply.arguments().value(0).toBool(), false);
    reply = device.call(QStringLiteral("InstallCertificateToDomains"),
                        { keyed.itemText, QStringList{ QStringLiteral("smime-user") } });
    QCOMPARE(reply.arguments().value(0).toBool(), false);
    reply = device.call(QStringLiteral("DeleteCertificateFromDomains"),
                        { keyed.keyId, QStringList{ QStringLiteral("smime-user") } });
    QCOMPARE(reply.arguments().value(0).toBool(), false);
    QVERIFY(device.trustkeep.isRunning());
    QVERIFY(hasErrorLine(device.trustkeep));
    QCOMPARE(device.integrityCheck(), QStringLiteral("ok"));
}

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
