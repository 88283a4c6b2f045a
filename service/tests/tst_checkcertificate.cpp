// The trust decisions of CheckCertificate from end to end: the real service
// on its bus, its questions answered through automation, the records read
// back from its database. A stopped calendar clock stands in for the
// passing of time.

#include "trustcheckfixture.h"

#include <QCryptographicHash>

namespace {

const QString newPage = QStringLiteral("serverCertificateInstallNewPage");
const QString changedPage = QStringLiteral("serverCertificateInstallChangedPage");
const QString expiredPage = QStringLiteral("serverCertificateInstallExpiredPage");
const QString alwaysButton = QStringLiteral("CertmanTustButton");
const QString dayButton = QStringLiteral("CertmanTrust24Button");

// A moment on a whole second, so that stored and computed times compare
// exactly.
QDateTime wholeSecond(const QDateTime &moment)
{
    return QDateTime::fromSecsSinceEpoch(moment.toSecsSinceEpoch(), Qt::UTC);
}

QString hexOnly(const QString &text)
{
    QString hex;
    for (const QChar c : text) {
        if (c.isDigit() || (c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f')))
            hex += c.toLower();
    }
    return hex;
}

} // namespace

class TestCheckCertificate : public QObject
{
    Q_OBJECT

private slots:
    void newCertificateIsTrustedForADayAndNotAskedAgain()
    {
        TrustCheckService service;
        QVERIFY2(service.isValid(), qPrintable(service.errorString()));
        const ServerCertificate server = makeServerCertificate(QStringLiteral("www.example.test"));

        const QDateTime before = QDateTime::currentDateTime();
        QDBusPendingCall call = service.check(server);
        QVERIFY(service.waitForPage(newPage));
        QVERIFY(service.click(dayButton));
        QCOMPARE(service.reply(call), 1);
        const QDateTime after = QDateTime::currentDateTime();

        const QList<TrustRecord> records = service.records();
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.at(0).subjectCn, QStringLiteral("www.example.test"));
        QCOMPARE(records.at(0).installed.toInt(), 1);
        QCOMPARE(records.at(0).trustType.toInt(), 2);
        QCOMPARE(records.at(0).derDump, server.der);
        const QDateTime ends = records.at(0).trustEnds.toDateTime();
        QVERIFY2(ends >= before.addDays(1).addSecs(-1) && ends <= after.addDays(1),
                 qPrintable(records.at(0).trustEnds.toString()));

        QCOMPARE(service.checkWithoutPage(server), 1);
        QCOMPARE(service.records(), records);
        QVERIFY(service.endedCleanly());
        QVERIFY2(service.logLines().isEmpty(), qPrintable(service.logLines().join('\n')));
    }

    // Always on the new page is a trust until the certificate's end: held
    // up to that very moment, then asked about as expired, and after that
    // answer for a day or for good.
    void alwaysTrustRunsToTheCertificatesEndAndIsThenAskedAsExpired()
    {
        TrustCheckService service;
        QVERIFY2(service.isValid(), qPrintable(service.errorString()));
        const ServerCertificate server = makeServerCertificate(QStringLiteral("always.example.test"), 30);

        QVERIFY(service.freezeClock(wholeSecond(QDateTime::currentDateTimeUtc())));
        QDBusPendingCall call = service.check(server);
        QVERIFY(service.waitForPage(newPage));
        QVERIFY(service.click(alwaysButton));
        QCOMPARE(service.reply(call), 1);
        QList<TrustRecord> records = service.records();
        QCOMPARE(records.size(), 1);
        const qint64 id = records.at(0).id;
        QCOMPARE(records.at(0).trustType.toInt(), 2);
        QCOMPARE(records.at(0).trustEnds.toDateTime(), server.notAfter);

        QVERIFY(service.freezeClock(server.notAfter));
        QCOMPARE(service.checkWithoutPage(server), 1);

        const QDateTime pastTheEnd = server.notAfter.addSecs(1);
        QVERIFY(service.freezeClock(pastTheEnd));
        call = service.check(server);
        QVERIFY(service.waitForPage(expiredPage));
        QVERIFY(service.click(dayButton));
        QCOMPARE(service.reply(call), 1);
        records = service.records();
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.at(0).id, id);
        QCOMPARE(records.at(0).trustType.toInt(), 2);
        QCOMPARE(records.at(0).trustEnds.toDateTime(), pastTheEnd.toLocalTime().addDays(1));
        QCOMPARE(service.checkWithoutPage(server), 1);

        QVERIFY(service.freezeClock(pastTheEnd.addDays(2)));
        call = service.check(server);
        QVERIFY(service.waitForPage(expiredPage));
        QVERIFY(service.click(alwaysButton));
        QCOMPARE(service.reply(call), 1);
        const QList<TrustRecord> afterAlways = service.records();
        QCOMPARE(afterAlways.size(), 1);
        QCOMPARE(afterAlways.at(0).trustType.toInt(), 1);
        QCOMPARE(afterAlways.at(0).trustEnds, records.at(0).trustEnds);

        QVERIFY(service.freezeClock(pastTheEnd.addYears(10)));
        QCOMPARE(service.checkWithoutPage(server), 1);
        QVERIFY(service.endedCleanly());
    }

    void anyTrustTypeButTwoHoldsWhateverItsEnd()
    {
        TrustCheckService service;
        QVERIFY2(service.isValid(), qPrintable(service.errorString()));
        const QDateTime past = QDateTime::currentDateTime().addYears(-3);
        const QList<QPair<QVariant, QVariant>> kinds = {
            { 0, past }, { 1, past }, { 1, QVariant() }, { 1, QStringLiteral("not a time") },
            { 7, past }, { QVariant(), past },
        };
        QList<ServerCertificate> servers;
        for (int i = 0; i < kinds.size(); ++i) {
            servers << makeServerCertificate(QStringLiteral("unlimited%1.example.test").arg(i));
            QVERIFY(service.seed(QStringLiteral("unlimited%1.example.test").arg(i), kinds.at(i).first,
                                 kinds.at(i).second, servers.last().der) >= 0);
        }
        const QList<TrustRecord> records = service.records();
        for (int i = 0; i < servers.size(); ++i)
            QVERIFY2(service.checkWithoutPage(servers.at(i)) == 1, qPrintable(QString::number(i)));
        QCOMPARE(service.records(), records);
        QVERIFY(service.endedCleanly());
    }

    // Only an end earlier than now lapses. A lapsed trust of a certificate
    // that is still valid is asked about as new; one that ran to the
    // certificate's end, as expired.
    void trustEndingExactlyNowStillHolds()
    {
        TrustCheckService service;
        QVERIFY2(service.isValid(), qPrintable(service.errorString()));
        const QDateTime now = wholeSecond(QDateTime::currentDateTimeUtc());
        const ServerCertificate exact = makeServerCertificate(QStringLiteral("exact.example.test"));
        const ServerCertificate lapsed = makeServerCertificate(QStringLiteral("lapsed.example.test"));
        const ServerCertificate ended = makeServerCertificate(QStringLiteral("ended.example.test"));
        QVERIFY(service.seed(QStringLiteral("exact.example.test"), 2, now, exact.der) >= 0);
        QVERIFY(service.seed(QStringLiteral("lapsed.example.test"), 2, now.addSecs(-1), lapsed.der) >= 0);
        // The certificate's end has passed with the trust's own end.
        QVERIFY(service.seed(QStringLiteral("ended.example.test"), 2, ended.notAfter, ended.der) >= 0);
        const QList<TrustRecord> records = service.records();

        QVERIFY(service.freezeClock(now));
        QCOMPARE(service.checkWithoutPage(exact), 1);
        QDBusPendingCall call = service.check(lapsed);
        QVERIFY(service.waitForPage(newPage));
        QVERIFY(service.back());
        QCOMPARE(service.reply(call), 0);

        QVERIFY(service.freezeClock(ended.notAfter.addSecs(1)));
        call = service.check(ended);
        QVERIFY(service.waitForPage(expiredPage));
        QVERIFY(service.back());
        QCOMPARE(service.reply(call), 0);

        QCOMPARE(service.records(), records);
        QVERIFY(service.endedCleanly());
    }

    // The answer goes into the lapsed record itself, so the next check
    // finds it and asks nothing.
    void lapsedShortTrustIsAskedAgainAndRenewedInPlace()
    {
        TrustCheckService service;
        QVERIFY2(service.isValid(), qPrintable(service.errorString()));
        const ServerCertificate forADay = makeServerCertificate(QStringLiteral("renew.example.test"));
        const ServerCertificate forGood = makeServerCertificate(QStringLiteral("renewalways.example.test"));
        const QDateTime yesterday = QDateTime::currentDateTime().addDays(-1);
        const qint64 dayId = service.seed(QStringLiteral("renew.example.test"), 2, yesterday, forADay.der);
        const qint64 goodId = service.seed(QStringLiteral("renewalways.example.test"), 2, yesterday, forGood.der);
        QVERIFY(dayId >= 0 && goodId >= 0);
        QVERIFY(service.execute(QStringLiteral("UPDATE certificates SET installed = 0")));

        const QDateTime before = QDateTime::currentDateTime();
        QDBusPendingCall call = service.check(forADay);
        QVERIFY(service.waitForPage(newPage));
        QVERIFY(service.click(dayButton));
        QCOMPARE(service.reply(call), 1);
        call = service.check(forGood);
        QVERIFY(service.waitForPage(newPage));
        QVERIFY(service.click(alwaysButton));
        QCOMPARE(service.reply(call), 1);

        const QList<TrustRecord> records = service.records();
        QCOMPARE(records.size(), 2);
        QCOMPARE(records.at(0).id, dayId);
        QCOMPARE(records.at(0).trustType.toInt(), 2);
        QVERIFY(records.at(0).trustEnds.toDateTime() >= before.addDays(1).addSecs(-1));
        QVERIFY(records.at(0).trustEnds.toDateTime() <= QDateTime::currentDateTime().addDays(1));
        QCOMPARE(records.at(0).installed.toInt(), 0);
        QCOMPARE(records.at(1).id, goodId);
        QCOMPARE(records.at(1).trustType.toInt(), 2);
        QCOMPARE(records.at(1).trustEnds.toDateTime(), forGood.notAfter);
        QCOMPARE(records.at(1).derDump, forGood.der);

        QCOMPARE(service.checkWithoutPage(forADay), 1);
        QCOMPARE(service.checkWithoutPage(forGood), 1);
        QCOMPARE(service.records(), records);
        QVERIFY(service.endedCleanly());
    }

    // Same name, another certificate: the page compares it with the record
    // of the higher id, whose certificates open their own details, and an
    // answer rewrites that record alone.
    void changedCertificateIsComparedWithTheNewestRecordAndReplacesIt()
    {
        TrustCheckService service;
        QVERIFY2(service.isValid(), qPrintable(service.errorString()));
        const QString name = QStringLiteral("shop.example.test");
        const ServerCertificate first = makeServerCertificate(name);
        const ServerCertificate second = makeServerCertificate(name);
        const ServerCertificate presented = makeServerCertificate(name);
        const ServerCertificate later = makeServerCertificate(name);
        const QDateTime future = QDateTime::currentDateTime().addDays(5);
        const qint64 firstId = service.seed(name, 1, QVariant(), first.der);
        const qint64 secondId = service.seed(name, 2, future, second.der);
        QVERIFY(firstId >= 0 && secondId > firstId);
        const QList<TrustRecord> seeded = service.records();

        auto fingerprint = [](const ServerCertificate &c) {
            return QString::fromLatin1(QCryptographicHash::hash(c.der, QCryptographicHash::Sha256).toHex());
        };
        auto detailsFingerprint = [&](const QString &widget) {
            if (!service.click(widget) || !service.waitFor(QStringLiteral("detailsSha256")))
                return QString();
            const QString shown = hexOnly(service.widget(QStringLiteral("detailsSha256")).value("text").toString());
            return service.back() && service.waitForPage(changedPage) ? shown : QString();
        };

        QDBusPendingCall call = service.check(presented);
        QVERIFY(service.waitForPage(changedPage));
        QCOMPARE(detailsFingerprint(QStringLiteral("OldCertificateItemWidget")), fingerprint(second));
        QCOMPARE(detailsFingerprint(QStringLiteral("NewCertificateItemWidget")), fingerprint(presented));
        QVERIFY(service.back());
        QCOMPARE(service.reply(call), 0);
        QCOMPARE(service.records(), seeded);

        call = service.check(presented);
        QVERIFY(service.waitForPage(changedPage));
        QVERIFY(service.click(alwaysButton));
        QCOMPARE(service.reply(call), 1);
        QList<TrustRecord> records = service.records();
        QCOMPARE(records.size(), 2);
        QCOMPARE(records.at(0), seeded.at(0));
        QCOMPARE(records.at(1).id, secondId);
        QCOMPARE(records.at(1).subjectCn, name);
        QCOMPARE(records.at(1).derDump, presented.der);
        QCOMPARE(records.at(1).trustType.toInt(), 1);
        QCOMPARE(records.at(1).installed.toInt(), 1);
        QCOMPARE(records.at(1).trustEnds, seeded.at(1).trustEnds);
        QCOMPARE(service.checkWithoutPage(presented), 1);
        QCOMPARE(service.checkWithoutPage(first), 1);

        const QDateTime before = QDateTime::currentDateTime();
        call = service.check(later);
        QVERIFY(service.waitForPage(changedPage));
        QCOMPARE(detailsFingerprint(QStringLiteral("OldCertificateItemWidget")), fingerprint(presented));
        QVERIFY(service.click(dayButton));
        QCOMPARE(service.reply(call), 1);
        records = service.records();
        QCOMPARE(records.size(), 2);
        QCOMPARE(records.at(1).derDump, later.der);
        QCOMPARE(records.at(1).trustType.toInt(), 2);
        QVERIFY(records.at(1).trustEnds.toDateTime() >= before.addDays(1).addSecs(-1));
        QCOMPARE(service.checkWithoutPage(later), 1);
        QVERIFY(service.endedCleanly());
    }

    // One day on is the same clock time on the next day, also over the
    // night the clocks go forward (23 hours then).
    void shortTrustEndsAtTheSameClockTimeNextDay()
    {
        TrustCheckService service;
        QVERIFY2(service.isValid(), qPrintable(service.errorString()));
        service.setEnvironment(QStringLiteral("TZ"), QStringLiteral("CET-1CEST,M3.5.0,M10.5.0/3"));
        // Noon of the Saturday before summer time begins.
        QVERIFY(service.freezeClock(QDateTime(QDate(2024, 3, 30), QTime(11, 0), Qt::UTC)));
        const ServerCertificate server = makeServerCertificate(QStringLiteral("spring.example.test"));

        QDBusPendingCall call = service.check(server);
        QVERIFY(service.waitForPage(newPage));
        QVERIFY(service.click(dayButton));
        QCOMPARE(service.reply(call), 1);
        const QList<TrustRecord> records = service.records();
        QCOMPARE(records.size(), 1);
        QVERIFY2(records.at(0).trustEnds.toString().startsWith(QLatin1String("2024-03-31T12:00:00")),
                 qPrintable(records.at(0).trustEnds.toString()));
        QVERIFY(service.endedCleanly());
    }
};

QTEST_GUILESS_MAIN(TestCheckCertificate)

#include "tst_checkcertificate.moc"
