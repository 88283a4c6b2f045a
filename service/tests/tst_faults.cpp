// The real trustkeep when its surroundings fail: a database that stops
// taking writes while the service runs, and the service killed in the middle
// of a stream of decisions and installs. (A database unusable at start is
// tst_startup's; store folders that cannot be written are met by the domain
// and key methods' tests and the installer's.)

#include "processtestharness.h"
#include "testmaterial.h"

#include <QDir>
#include <QDirIterator>
#include <QRandomGenerator>
#include <QThread>

#include <csignal>

namespace {

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
    const QString keyId = StoreProbe::keyIdOf(certificate);
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
    void databaseStopsTakingWrites()
    {
        READY_HARNESS(h);
        QVERIFY(h.startService());

        const KeyMaterial first = KeyMaterial::make(QStringLiteral("First"));
        const KeyMaterial second = KeyMaterial::make(QStringLiteral("Second"));
        const QStringList domains{ QStringLiteral("ssl-user") };

        // SQLite writes its rollback journal beside the file before it changes
        // anything; with a folder in that place no write can start, as on a
        // file system gone read-only (permissions would not stop root).
        const QString journal = h.root().resolve(QStringLiteral("/home/user/private/trustkeep.db-journal"));
        QVERIFY(QDir().mkpath(journal));
        h.markLog();
        QVERIFY(h.answeredFalse(h.service().InstallCertificateToDomains(first.itemText(0), domains)));
        QVERIFY(h.waitForLog(QStringLiteral(": ERROR ")));
        QVERIFY(h.serviceProgram()->isRunning());
        // Reading calls still get an answer (possibly their failure value).
        QDBusPendingReply<int> data = h.service().GetPrivateKeyData(first.keyId);
        data.waitForFinished();
        QVERIFY(data.isValid());
        QVERIFY(data.value() <= 0);

        // Once the database takes writes again, so does the service.
        QVERIFY(QDir(journal).removeRecursively());
        QVERIFY(h.succeeded(h.service().InstallCertificateToDomains(second.itemText(0), domains), 60000));
        QCOMPARE(h.service().GetPrivateKeyData(second.keyId).value(), 0);
        QCOMPARE(h.database().integrityCheck(), QStringLiteral("ok"));
    }

    void killedInTheMiddle()
    {
        READY_HARNESS(h);
        QVERIFY(h.startService());
        TrustkeepClient &service = h.service();

        QRandomGenerator random(QRandomGenerator::global()->generate());
        const int operations = 6 + random.bounded(6); // the last one is cut short
        QList<QPair<QString, QByteArray>> trusted; // answered true: name, DER
        QStringList installed; // answered true: key ids
        const QStringList domains{ QStringLiteral("ssl-user") };

        for (int i = 0; i < operations; ++i) {
            const bool last = i == operations - 1;
            QDBusPendingReply<bool> call;
            QString keyId;
            QString name;
            QByteArray der;
            if (i % 2 == 0) {
                // A trust decision: a new server, the user trusts it.
                name = QStringLiteral("server%1.example.test").arg(i);
                der = ServerCertificate::make(name).der;
                call = service.CheckCertificate(QString::fromLatin1(der.toBase64()));
                QVERIFY(h.ui().waitFor(QStringLiteral("serverCertificateInstallNewPage"), 30000));
                QVERIFY(h.ui().click(QStringLiteral("CertmanTustButton")));
            } else {
                const KeyMaterial keyed = KeyMaterial::make(QStringLiteral("Key %1").arg(i));
                keyId = keyed.keyId;
                call = service.InstallCertificateToDomains(keyed.itemText(0), domains);
            }
            if (last) {
                // Somewhere inside the write the answer leads to.
                QThread::usleep(random.bounded(20000));
                QVERIFY(::kill(pid_t(h.serviceProgram()->pid()), SIGKILL) == 0);
                break;
            }
            QVERIFY(h.finish(call, 120000));
            QVERIFY2(call.isValid(), qPrintable(call.error().message()));
            if (!call.value())
                continue;
            if (keyId.isEmpty())
                trusted.append({ name, der });
            else
                installed << keyId;
        }
        QVERIFY(h.serviceProgram()->waitForFinished());
        QCOMPARE(h.serviceProgram()->exitCode(), -1); // killed, not ended
        QVERIFY(!trusted.isEmpty() && !installed.isEmpty());

        QCOMPARE(h.database().integrityCheck(), QStringLiteral("ok"));
        const QList<TrustRow> rows = h.database().trustRecords();
        for (const auto &record : trusted) {
            const auto same = [&](const TrustRow &row) {
                return row.subjectCn == record.first && row.der == record.second;
            };
            QVERIFY2(std::count_if(rows.begin(), rows.end(), same) == 1, qPrintable(record.first));
        }
        const QString domainFolder = h.root().privateDomainFolder(QStringLiteral("ssl-user"));
        for (const QString &keyId : installed) {
            QVERIFY2(h.database().keyRow(keyId).exists, qPrintable(keyId));
            QVERIFY2(QFileInfo::exists(QDir(domainFolder).filePath(keyId)), qPrintable(keyId));
        }
        // Every certificate file the store shows is whole. (A write cut short
        // can only leave a hidden temporary, which the store never lists.)
        QDirIterator files(h.root().resolve(QStringLiteral("/home/user/.bastra-certs")), QDir::Files,
                           QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            if (path.contains(QLatin1String("/.keys/")) || files.fileName().startsWith(QLatin1String(".tmp-")))
                continue;
            const QString fault = wholeCertificateFile(path);
            QVERIFY2(fault.isEmpty(), qPrintable(path + QStringLiteral(": ") + fault));
        }

        // A new service starts over the same files and knows the decisions.
        h.database().close();
        QVERIFY(
            h.succeeded(h.service().CheckCertificate(QString::fromLatin1(trusted.first().second.toBase64())), 60000));
    }
};

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
