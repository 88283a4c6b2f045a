// The server check's decision over the trust records of one subject name:
// one row per rule.
#include "trustdecision.h"

#include <QtTest>

Q_DECLARE_METATYPE(QList<TrustRecord>)
Q_DECLARE_METATYPE(TrustDecision::Kind)

namespace {

const QDateTime now(QDate(2026, 6, 15), QTime(12, 0, 0));
const QDateTime expiry = now.addDays(300);
const QByteArray presented = QByteArrayLiteral("\x30\x82presented");
const QByteArray other = QByteArrayLiteral("\x30\x82other");

TrustRecord record(qint64 id, const QByteArray &der, int trustType, const QDateTime &ends = QDateTime())
{
    TrustRecord r;
    r.id = id;
    r.subjectCn = QStringLiteral("www.example.test");
    r.trustType = trustType;
    r.trustEnds = ends;
    r.derDump = der;
    return r;
}

} // namespace

class TestTrustDecision : public QObject
{
    Q_OBJECT
private slots:
    void decidesByTheFirstRecordOfTheSameCertificate_data()
    {
        QTest::addColumn<QList<TrustRecord>>("records");
        QTest::addColumn<QDateTime>("certificateExpiry");
        QTest::addColumn<TrustDecision::Kind>("kind");
        QTest::addColumn<qint64>("id");

        const QDateTime past = now.addSecs(-1);
        QTest::newRow("no record: new") << QList<TrustRecord>() << expiry << TrustDecision::AskNew << qint64(0);
        QTest::newRow("type 1 trusts for good, whatever its end")
            << QList<TrustRecord>{ record(4, presented, 1, past) } << expiry << TrustDecision::Trusted << qint64(4);
        QTest::newRow("type 0 (schema default) trusts for good")
            << QList<TrustRecord>{ record(4, presented, 0) } << expiry << TrustDecision::Trusted << qint64(4);
        QTest::newRow("any type but 2 trusts for good")
            << QList<TrustRecord>{ record(4, presented, 7, past) } << expiry << TrustDecision::Trusted << qint64(4);
        QTest::newRow("type 2 within its period") << QList<TrustRecord>{ record(4, presented, 2, now.addDays(1)) }
                                                  << expiry << TrustDecision::Trusted << qint64(4);
        QTest::newRow("type 2 ending exactly now still trusts")
            << QList<TrustRecord>{ record(4, presented, 2, now) } << expiry << TrustDecision::Trusted << qint64(4);
        QTest::newRow("type 2 lapsed before the certificate's end: asked again")
            << QList<TrustRecord>{ record(4, presented, 2, past) } << expiry << TrustDecision::AskAgain << qint64(4);
        QTest::newRow("type 2 lapsed at the certificate's end: expired")
            << QList<TrustRecord>{ record(4, presented, 2, now.addDays(-3)) } << now.addDays(-3)
            << TrustDecision::AskExpired << qint64(4);
        QTest::newRow("type 2 lapsed after the certificate's end: expired")
            << QList<TrustRecord>{ record(4, presented, 2, past) } << now.addDays(-3) << TrustDecision::AskExpired
            << qint64(4);
        QTest::newRow("type 2 lapsed, certificate's end unknown: asked again")
            << QList<TrustRecord>{ record(4, presented, 2, past) } << QDateTime() << TrustDecision::AskAgain
            << qint64(4);
        QTest::newRow("type 2 with an unreadable end: asked again")
            << QList<TrustRecord>{ record(4, presented, 2) } << now.addDays(-3) << TrustDecision::AskAgain << qint64(4);
        QTest::newRow("changed certificate: the last record of the name")
            << QList<TrustRecord>{ record(4, other, 1), record(9, other + "2", 2, now.addDays(1)) } << expiry
            << TrustDecision::AskChanged << qint64(9);
        QTest::newRow("the first record of the same certificate decides")
            << QList<TrustRecord>{ record(4, other, 1), record(5, presented, 2, past), record(6, presented, 1) }
            << expiry << TrustDecision::AskAgain << qint64(5);
        QTest::newRow("an image that only begins alike is another certificate")
            << QList<TrustRecord>{ record(4, presented + "x", 1) } << expiry << TrustDecision::AskChanged << qint64(4);
    }

    void decidesByTheFirstRecordOfTheSameCertificate()
    {
        QFETCH(QList<TrustRecord>, records);
        QFETCH(QDateTime, certificateExpiry);
        QFETCH(TrustDecision::Kind, kind);
        QFETCH(qint64, id);

        const TrustDecision decision = TrustDecision::decide(records, presented, certificateExpiry, now);
        QCOMPARE(decision.kind, kind);
        QCOMPARE(decision.id, id);
        if (kind == TrustDecision::AskChanged)
            QCOMPARE(decision.storedDer, records.last().derDump);
    }
};

QTEST_APPLESS_MAIN(TestTrustDecision)

#include "tst_trustdecision.moc"
