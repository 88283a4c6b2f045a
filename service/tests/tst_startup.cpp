// Start-up of the real trustkeep: the trust database is created and kept,
// and its failures end the program before anything is registered.

#include "certificatefactory.h"
#include "processtestharness.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest>

#include <sys/stat.h>

namespace {

// "-d" alone runs every start-up step and ends at once with 22: the
// cheapest complete start.
int startOnce(const QProcessEnvironment &environment, TestProgram **keep = nullptr)
{
    auto *trustkeep = new TestProgram(environment);
    trustkeep->start({ QStringLiteral("-d") });
    const bool finished = trustkeep->waitForFinished();
    const int status = finished ? trustkeep->exitCode() : -2;
    if (keep)
        *keep = trustkeep;
    else
        delete trustkeep;
    return status;
}

QProcessEnvironment headless(const TemporaryDeviceRoot &root)
{
    QProcessEnvironment env = root.environment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("TRUSTKEEP_LOG_STDERR"), QStringLiteral("1"));
    env.remove(QStringLiteral("ZELVO_AUTOMATION_SOCKET"));
    return env;
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void firstStartCreatesTheDatabaseAndLaterStartsKeepItsRecords()
    {
        TemporaryDeviceRoot root;
        const QString path = root.resolve(QStringLiteral("/home/user/private/trustkeep.db"));
        QVERIFY(!QFile::exists(path));

        QCOMPARE(startOnce(headless(root)), 22);
        QVERIFY(QFile::exists(path));
        // The user's trust records are nobody else's business.
        struct stat info;
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, mode_t(0600));

        {
            TrustDatabaseReader db(path);
            // Both tables, with the preference 2 by default (read back below).
            QVERIFY(db.execute(QStringLiteral(
                "INSERT INTO certificates (subject_cn, installed, trust_type) VALUES ('a.test', 1, 1)")));
            QVERIFY(db.execute(QStringLiteral("INSERT INTO keys (id, cn, domains) VALUES ('00ff', 'k', 'ssl-user')")));
        }

        QCOMPARE(startOnce(headless(root)), 22);
        TrustDatabaseReader db(path);
        QCOMPARE(db.column(QStringLiteral("SELECT subject_cn FROM certificates")),
                 QStringList{ QStringLiteral("a.test") });
        QCOMPARE(db.column(QStringLiteral("SELECT auth_preference FROM keys")), QStringList{ QStringLiteral("2") });
    }

    void databaseOfAnotherLayoutIsAcceptedUnchanged()
    {
        TemporaryDeviceRoot root;
        const QString path = root.resolve(QStringLiteral("/home/user/private/trustkeep.db"));
        {
            TrustDatabaseReader db(path);
            QVERIFY(db.execute(QStringLiteral("CREATE TABLE certificates (host text, blob)")));
            QVERIFY(db.execute(QStringLiteral("INSERT INTO certificates VALUES ('old.test', x'00')")));
        }
        TestProgram *trustkeep = nullptr;
        QCOMPARE(startOnce(headless(root), &trustkeep), 22);
        QScopedPointer<TestProgram> owner(trustkeep);
        QVERIFY(trustkeep->hasLog(
            QStringLiteral("ERROR Could not create the subject index of the 'certificates' table: ")));

        TrustDatabaseReader db(path);
        QCOMPARE(db.column(QStringLiteral("SELECT name FROM pragma_table_info('certificates')")),
                 QStringList({ "host", "blob" }));
        QCOMPARE(db.column(QStringLiteral("SELECT host FROM certificates")), QStringList{ QStringLiteral("old.test") });
        QCOMPARE(
            db.column(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name = 'keys'")).size(),
            1);
    }

    void unusableDatabaseEndsTheServiceBeforeRegistration_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("logged");
        QTest::newRow("private folder missing") << "missing"
                                                << ": ERROR Could not open database: ";
        QTest::newRow("database path is a folder") << "folder"
                                                   << ": ERROR Could not open database: ";
        QTest::newRow("corrupt file") << "corrupt"
                                      << ": ERROR Could not";
    }

    void unusableDatabaseEndsTheServiceBeforeRegistration()
    {
        QFETCH(QString, damage);
        QFETCH(QString, logged);
        ProcessTestHarness h;
        QVERIFY2(h.bus().isRunning(), qPrintable(h.errorString()));
        const QString privateDir = h.root().resolve(QStringLiteral("/home/user/private"));
        // The file's signature, then a header no database has (page size 0x5a5a).
        const QByteArray garbage = QByteArray("SQLite format 3", 16) + QByteArray(4096, 'Z');
        if (damage == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(privateDir + QStringLiteral("/trustkeep.db")));
        else if (damage == QLatin1String("missing"))
            QVERIFY(QDir(privateDir).removeRecursively());
        else
            QVERIFY(CertificateFactory::writeFile(privateDir + QStringLiteral("/trustkeep.db"), garbage));

        TestProgram &trustkeep = h.startProgram({ QStringLiteral("--dbus") });
        QVERIFY(trustkeep.waitForFinished());
        QCOMPARE(trustkeep.exitCode(), 255);
        QVERIFY2(trustkeep.hasLog(QStringLiteral("main(")) && trustkeep.hasLog(logged),
                 qPrintable(trustkeep.logLines().join('\n')));
        QVERIFY(!trustkeep.hasLog(QStringLiteral("Certman DBus service")));
        QCOMPARE(h.bus().ownerPid(QStringLiteral("com.tavelo.certman")), qint64(0));
        // A damaged file is left as it was for whoever can repair it.
        if (damage == QLatin1String("corrupt")) {
            QFile file(privateDir + QStringLiteral("/trustkeep.db"));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), garbage);
        }
    }
};

QTEST_GUILESS_MAIN(TestStartup)

#include "tst_startup.moc"
