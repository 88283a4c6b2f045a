// Start-up of the real trustkeep: the trust database is created and kept,
// its failures end the program before anything is registered, and the
// environment the program was given stays in force.

#include "privatebus.h"
#include "temporarydeviceroot.h"
#include "trustkeepprocess.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

#include <sys/stat.h>

namespace {

// Runs SQL on the test's own connection to the device's database file.
class DatabaseFile
{
public:
    explicit DatabaseFile(const QString &path)
        : m_name(QStringLiteral("tst-%1").arg(reinterpret_cast<quintptr>(this)))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        db.open();
    }
    ~DatabaseFile() { QSqlDatabase::removeDatabase(m_name); }

    bool exec(const QString &statement)
    {
        QSqlQuery query(QSqlDatabase::database(m_name));
        return query.exec(statement);
    }
    QStringList column(const QString &statement)
    {
        QStringList values;
        QSqlQuery query(QSqlDatabase::database(m_name));
        if (query.exec(statement)) {
            while (query.next())
                values << query.value(0).toString();
        }
        return values;
    }

private:
    QString m_name;
};

// "-d" alone runs every start-up step and ends at once with 22: the
// cheapest complete start.
int startOnce(const QProcessEnvironment &environment, TrustkeepProcess **keep = nullptr)
{
    auto *trustkeep = new TrustkeepProcess(environment);
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
        QVERIFY(root.isValid());
        const QString path = root.resolve(QStringLiteral("/home/user/private/trustkeep.db"));
        QVERIFY(!QFile::exists(path));

        QCOMPARE(startOnce(headless(root)), 22);
        QVERIFY(QFile::exists(path));
        // The user's trust records are nobody else's business.
        struct stat info;
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, mode_t(0600));

        {
            DatabaseFile db(path);
            QCOMPARE(db.column(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name")),
                     QStringList({ QStringLiteral("certificates"), QStringLiteral("keys") }));
            QCOMPARE(db.column(QStringLiteral("SELECT name FROM pragma_table_info('certificates')")),
                     QStringList({ "id", "subject_cn", "installed", "trust_type", "trust_ends", "der_dump" }));
            QCOMPARE(db.column(QStringLiteral("SELECT name FROM pragma_table_info('keys')")),
                     QStringList({ "id", "cn", "auth_preference", "domains", "der_dump" }));
            QCOMPARE(db.column(QStringLiteral("SELECT dflt_value FROM pragma_table_info('keys') WHERE name = 'auth_preference'")),
                     QStringList{ QStringLiteral("2") });
            QCOMPARE(db.column(QStringLiteral("SELECT name FROM pragma_index_list('certificates') "
                                              "WHERE name IN (SELECT name FROM sqlite_master WHERE type = 'index' "
                                              "AND sql LIKE '%subject_cn%')")).size(), 1);
            QVERIFY(db.exec(QStringLiteral("INSERT INTO certificates (subject_cn, installed, trust_type) VALUES ('a.test', 1, 1)")));
            QVERIFY(db.exec(QStringLiteral("INSERT INTO keys (id, cn, domains) VALUES ('00ff', 'k', 'ssl-user')")));
        }

        QCOMPARE(startOnce(headless(root)), 22);
        DatabaseFile db(path);
        QCOMPARE(db.column(QStringLiteral("SELECT subject_cn FROM certificates")), QStringList{ QStringLiteral("a.test") });
        QCOMPARE(db.column(QStringLiteral("SELECT auth_preference FROM keys")), QStringList{ QStringLiteral("2") });
    }

    void databaseOfAnotherLayoutIsAcceptedUnchanged()
    {
        TemporaryDeviceRoot root;
        const QString path = root.resolve(QStringLiteral("/home/user/private/trustkeep.db"));
        {
            DatabaseFile db(path);
            QVERIFY(db.exec(QStringLiteral("CREATE TABLE certificates (host text, blob)")));
            QVERIFY(db.exec(QStringLiteral("INSERT INTO certificates VALUES ('old.test', x'00')")));
        }
        TrustkeepProcess *trustkeep = nullptr;
        QCOMPARE(startOnce(headless(root), &trustkeep), 22);
        QScopedPointer<TrustkeepProcess> owner(trustkeep);
        QVERIFY(trustkeep->hasLog(QStringLiteral("main(")));
        QVERIFY(trustkeep->hasLog(QStringLiteral("ERROR Could not create the subject index of the 'certificates' table: ")));

        DatabaseFile db(path);
        QCOMPARE(db.column(QStringLiteral("SELECT name FROM pragma_table_info('certificates')")),
                 QStringList({ "host", "blob" }));
        QCOMPARE(db.column(QStringLiteral("SELECT host FROM certificates")), QStringList{ QStringLiteral("old.test") });
        QCOMPARE(db.column(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name = 'keys'")).size(), 1);
    }

    void unusableDatabaseEndsTheServiceBeforeRegistration_data()
    {
        QTest::addColumn<bool>("folderInTheWay");
        QTest::newRow("private folder missing") << false;
        QTest::newRow("database path is a folder") << true;
    }

    void unusableDatabaseEndsTheServiceBeforeRegistration()
    {
        QFETCH(bool, folderInTheWay);
        TemporaryDeviceRoot root;
        const QString privateDir = root.resolve(QStringLiteral("/home/user/private"));
        if (folderInTheWay)
            QVERIFY(QDir().mkpath(privateDir + QStringLiteral("/trustkeep.db")));
        else
            QVERIFY(QDir(privateDir).removeRecursively());

        PrivateBus bus(root.path());
        QVERIFY2(bus.isRunning(), qPrintable(bus.errorString()));
        TrustkeepProcess trustkeep(bus);
        trustkeep.start({ QStringLiteral("--dbus") });
        QVERIFY(trustkeep.waitForFinished());
        QCOMPARE(trustkeep.exitCode(), 255);
        QVERIFY2(trustkeep.hasLog(QStringLiteral("main(")), qPrintable(trustkeep.logLines().join('\n')));
        QVERIFY2(trustkeep.hasLog(QStringLiteral(": ERROR Could not open database: ")),
                 qPrintable(trustkeep.logLines().join('\n')));
        QVERIFY(!trustkeep.hasLog(QStringLiteral("Certman DBus service")));
        QVERIFY(!bus.waitForName(QLatin1String(PrivateBus::serviceName), true, 200));
    }

    // DISPLAY is observed through the X platform: it names the display it
    // could not reach.
    void displayAlreadySetStays_data()
    {
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("reached");
        QTest::newRow("set") << QStringLiteral(":4242") << QStringLiteral(":4242");
        QTest::newRow("unset") << QString() << QStringLiteral(":0");
    }

    void displayAlreadySetStays()
    {
        QFETCH(QString, display);
        QFETCH(QString, reached);
        TemporaryDeviceRoot root;
        QProcessEnvironment env = headless(root);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        if (display.isEmpty())
            env.remove(QStringLiteral("DISPLAY"));
        else
            env.insert(QStringLiteral("DISPLAY"), display);
        TrustkeepProcess trustkeep(env);
        trustkeep.start({ QStringLiteral("-d") });
        QVERIFY(trustkeep.waitForFinished());
        QVERIFY2(trustkeep.hasLog(QStringLiteral("could not connect to display ") + reached),
                 qPrintable(trustkeep.logLines().join('\n')));
    }
};

QTEST_GUILESS_MAIN(TestStartup)

#include "tst_startup.moc"
