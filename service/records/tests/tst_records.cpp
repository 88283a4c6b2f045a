// The statements of the trust and key records on a real database file.
#include "keyrecords.h"
#include "subjectlookup.h"
#include "trustdatabase.h"
#include "trustrecords.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

class TestRecords : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_root;

    static bool exec(const QString &statement) { return QSqlQuery().exec(statement); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        qputenv("TRUSTKEEP_DEVICE_ROOT", m_root.path().toUtf8());
        QVERIFY(QDir().mkpath(m_root.path() + QStringLiteral("/home/user/private")));
        QString error;
        QCOMPARE(TrustDatabase::open(&error), TrustDatabase::Ready);
    }

    void init()
    {
        QVERIFY(exec(QStringLiteral("DELETE FROM certificates")));
        QVERIFY(exec(QStringLiteral("DELETE FROM keys")));
    }

    // A key record goes in and comes back as it was, also from a table whose
    // columns stand in another order (rows are read by column name): the
    // domains split at ", " without empty parts, a null common name stored
    // as empty text.
    void keyRecordReadsBackWhatWasWritten_data()
    {
        QTest::addColumn<QString>("layout"); // empty: the service's own
        QTest::newRow("the service's layout") << QString();
        QTest::newRow("columns in another order")
            << QStringLiteral("CREATE TABLE keys (der_dump, domains varchar NOT NULL, cn varchar NOT NULL, "
                              "auth_preference tinyint, id varchar PRIMARY KEY)");
    }

    void keyRecordReadsBackWhatWasWritten()
    {
        QFETCH(QString, layout);
        if (!layout.isEmpty())
            QVERIFY(exec(QStringLiteral("DROP TABLE keys")) && exec(layout));
        KeyRecords records;
        KeyRecord written;
        written.authPreference = 1;
        written.domains = QStringList{ QStringLiteral("ssl-user"), QStringLiteral("wifi-user") };
        written.der = QByteArray("\x30\x00\x01", 3);
        QVERIFY(records.insert(QStringLiteral("00ff"), written));

        KeyRecord read;
        QCOMPARE(records.find(QStringLiteral("00ff"), &read), KeyRecords::Found);
        QCOMPARE(read.authPreference, 1);
        QCOMPARE(read.cn, QString(""));
        QCOMPARE(read.domains, written.domains);
        QCOMPARE(read.der, written.der);

        QVERIFY(records.setDomains(QStringLiteral("00ff"), QStringList()));
        QVERIFY(records.setPreference(QStringLiteral("00ff"), 2));
        QVERIFY(records.dropImage(QStringLiteral("00ff")));
        QCOMPARE(records.find(QStringLiteral("00ff"), &read), KeyRecords::Found);
        QCOMPARE(read.authPreference, 2);
        QVERIFY(read.domains.isEmpty());
        QVERIFY(read.der.isEmpty());

        QVERIFY(records.remove(QStringLiteral("00ff")));
        QCOMPARE(records.find(QStringLiteral("00ff"), &read), KeyRecords::Missing);
        QVERIFY(exec(QStringLiteral("DROP TABLE keys")));
        QVERIFY(exec(QString::fromLatin1(TrustDatabase::keysTableStatement)));
    }

    // Trust rows are read by column name too: a table made with its columns
    // in another order still gives every value its meaning.
    void recordsAreReadByColumnName()
    {
        // The server check's lookup outlives the table it was prepared for.
        SubjectLookup lookup;
        QList<TrustRecord> none;
        QVERIFY(lookup.select(QStringLiteral("o'neil.test"), &none));
        QVERIFY(none.isEmpty());
        QVERIFY(exec(QStringLiteral("DROP TABLE certificates")));
        QVERIFY(exec(QStringLiteral("CREATE TABLE certificates (der_dump, trust_ends datetime, trust_type tinyint, "
                                    "installed boolean, subject_cn varchar NOT NULL, id integer PRIMARY KEY)")));

        TrustRecords trust;
        const QDateTime ends(QDate(2030, 1, 2), QTime(3, 4, 5));
        QVERIFY(trust.insert(QStringLiteral("o'neil.test"), 2, ends, QByteArray("der")));
        QList<TrustRecord> found;
        QVERIFY(trust.selectBySubject(QStringLiteral("o'neil.test"), &found));
        QCOMPARE(found.size(), 1);
        QCOMPARE(found.at(0).trustType, 2);
        QCOMPARE(found.at(0).trustEnds, ends);
        QCOMPARE(found.at(0).derDump, QByteArray("der"));
        QList<TrustRecord> looked;
        QVERIFY(lookup.select(QStringLiteral("o'neil.test"), &looked));
        QCOMPARE(looked.size(), 1);
        QCOMPARE(looked.at(0).trustEnds, ends);
        QCOMPARE(looked.at(0).derDump, QByteArray("der"));
        QList<QByteArray> all;
        QVERIFY(trust.selectAllCertificates(&all));
        QCOMPARE(all, QList<QByteArray>{ QByteArray("der") });

        QVERIFY(exec(QStringLiteral("DROP TABLE certificates")));
        QVERIFY(exec(QString::fromLatin1(TrustDatabase::certificatesTableStatement)));
    }

    // The updates of the server check touch only their own record, oldest
    // record first in a lookup; a failure keeps the statement for the log.
    void trustUpdatesChangeOnlyTheirRecord()
    {
        TrustRecords trust;
        const QDateTime day(QDate(2030, 1, 2), QTime(3, 4, 5));
        QVERIFY(trust.insert(QStringLiteral("a.test"), 2, day, QByteArray("one")));
        QVERIFY(trust.insert(QStringLiteral("a.test"), 2, day, QByteArray("two")));
        QList<TrustRecord> found;
        QVERIFY(trust.selectBySubject(QStringLiteral("a.test"), &found));
        QCOMPARE(found.size(), 2);
        const qint64 first = found.at(0).id;
        const qint64 second = found.at(1).id;
        QVERIFY(first < second);

        QVERIFY(trust.replaceCertificate(second, 1, std::nullopt, QByteArray("three")));
        QVERIFY(trust.setTrustEnds(first, day.addDays(1)));
        int renewed = 0;
        QVERIFY(trust.renew(first, 2, day.addDays(2), &renewed));
        QCOMPARE(renewed, 1);
        QVERIFY(trust.renew(second + 100, 2, day, &renewed));
        QCOMPARE(renewed, 0);

        found.clear();
        QVERIFY(trust.selectBySubject(QStringLiteral("a.test"), &found));
        QCOMPARE(found.at(0).derDump, QByteArray("one"));
        QCOMPARE(found.at(0).trustEnds, day.addDays(2));
        QCOMPARE(found.at(1).derDump, QByteArray("three"));
        QCOMPARE(found.at(1).trustType, 1);
        QCOMPARE(found.at(1).trustEnds, day);

        QVERIFY(exec(QStringLiteral("DROP TABLE certificates")));
        QVERIFY(!trust.replaceCertificate(second, 2, day, QByteArray("x")));
        QVERIFY(
            trust.lastStatement().startsWith(QLatin1String("UPDATE certificates SET installed = 1, trust_type = 2, ")));
        QVERIFY(!trust.lastError().isEmpty());
        QVERIFY(exec(QString::fromLatin1(TrustDatabase::certificatesTableStatement)));
    }
};

QTEST_GUILESS_MAIN(TestRecords)

#include "tst_records.moc"
