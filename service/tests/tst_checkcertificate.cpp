// CheckCertificate in the real service, for what needs the process (which
// record decides is tst_trustdecision's): the record each answer leaves,
// the questions as the user meets them, a stopped calendar clock, and input
// or records the service cannot use.

#include "processtestharness.h"
#include "testmaterial.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QRegularExpression>

namespace {

const QString newPage = QStringLiteral("serverCertificateInstallNewPage");
const QString changedPage = QStringLiteral("serverCertificateInstallChangedPage");
const QString expiredPage = QStringLiteral("serverCertificateInstallExpiredPage");
const QString alwaysButton = QStringLiteral("CertmanTustButton");
const QString dayButton = QStringLiteral("CertmanTrust24Button");

// What each question page says: a statement, then the question, the two
// paragraphs in one label.
const QMap<QString, QPair<QString, QString>> questionTexts = {
    { newPage,
      { "This server presented a certificate that you have not trusted before.",
        "Do you want to trust this certificate?" } },
    { changedPage,
      { "The certificate of this server has changed since you last trusted it. Someone may be intercepting the "
        "connection.",
        "Do you want to trust this certificate?" } },
    { expiredPage,
      { "Your trust in this server certificate has run out because the certificate has expired.",
        "Do you want to keep trusting it?" } },
};

// The server check as a client and the user see it.
struct Check {
    ProcessTestHarness &h;

    QDBusPendingReply<bool> ask(const QString &argument) { return h.service().CheckCertificate(argument); }
    QDBusPendingReply<bool> ask(const ServerCertificate &server) { return ask(server.base64()); }
    // 1 true, 0 false, -1 no reply or an error.
    int reply(const QDBusPendingReply<bool> &call, int timeoutMs = 30000)
    {
        return h.finish(call, timeoutMs) && call.isValid() ? int(call.value()) : -1;
    }
    // A check that must be answered from the records alone.
    int withoutPage(const ServerCertificate &server) { return reply(ask(server), 15000); }
    // On that question page, with its texts and buttons.
    bool onPage(const QString &name)
    {
        if (!h.ui().waitFor(name, 15000) || h.topPageName() != name)
            return false;
        QStringList texts;
        for (const QJsonValue &w : h.ui().widgets().value(QStringLiteral("widgets")).toArray())
            texts << w.toObject().value("text").toString();
        const QString statement = questionTexts.value(name).first;
        const QStringList bodies = texts.filter(statement);
        return texts.contains(QStringLiteral("Server certificate")) && bodies.size() == 1
            && bodies.first().indexOf(questionTexts.value(name).second) > statement.size()
            && h.widget(alwaysButton).value("text").toString() == QStringLiteral("Trust always")
            && h.widget(dayButton).value("text").toString() == QStringLiteral("Trust for 24 hours");
    }
    // Asks, waits for the page and answers with the button (or goes back).
    int answer(const ServerCertificate &server, const QString &page, const QString &button)
    {
        QDBusPendingReply<bool> call = ask(server);
        if (!onPage(page))
            return -2;
        if (!(button.isEmpty() ? h.ui().back() : h.ui().click(button)))
            return -3;
        return reply(call);
    }
    qint64 seed(const QString &cn, const QVariant &type, const QVariant &ends, const QByteArray &der)
    {
        return h.database().addTrustRecord(cn, type, ends, der);
    }
    // The record of that id, or else the last one of that name.
    TrustRow record(qint64 id, const QString &name = QString())
    {
        TrustRow found;
        for (const TrustRow &row : h.database().trustRecords()) {
            if (row.id == id || (id <= 0 && row.subjectCn == name))
                found = row;
        }
        return found;
    }
};

// A moment on a whole second, so that stored and computed times compare
// exactly.
QDateTime wholeSecond(const QDateTime &moment)
{
    return QDateTime::fromSecsSinceEpoch(moment.toSecsSinceEpoch(), Qt::UTC);
}

QString base64(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toBase64());
}

// The certificate with its key algorithm changed to one nobody knows: still
// a well-formed certificate, but its public key cannot be read.
QByteArray withUnknownKeyAlgorithm(QByteArray der)
{
    const QByteArray ecPublicKey = QByteArray::fromHex("06072a8648ce3d0201");
    const int at = der.indexOf(ecPublicKey);
    if (at < 0)
        return QByteArray();
    der[at + ecPublicKey.size() - 1] = char(0x7f);
    return der;
}

// Table entries that stand for a time known only when the row runs.
bool is(const QVariant &value, const char *word)
{
    return value.type() == QVariant::String && value.toString() == QLatin1String(word);
}

QString sha256Of(const QByteArray &der)
{
    return QString::fromLatin1(QCryptographicHash::hash(der, QCryptographicHash::Sha256).toHex());
}

} // namespace

class TestCheckCertificate : public QObject
{
    Q_OBJECT

private slots:
    // What each answer to each question writes, and that the next check
    // then asks nothing. A day is the same clock time tomorrow; "always" on
    // a new certificate trusts it up to its own end, elsewhere for good.
    void answersAreStoredInTheRecordOfTheQuestion()
    {
        READY_HARNESS(h);
        Check check{ h };
        const QDateTime now = wholeSecond(QDateTime::currentDateTimeUtc());
        const QDateTime tomorrow = now.toLocalTime().addDays(1);
        struct Row {
            const char *what;
            QVariant type; // invalid: no record before
            QVariant ends; // "expiry": the certificate's own end
            int validDays;
            bool sameCertificate;
            QString page;
            QString button;
            int storedType;
            QVariant storedEnds; // "expiry", "tomorrow", or as it was
        };
        const QList<Row> rows = {
            { "new, a day", {}, {}, 365, true, newPage, dayButton, 2, QStringLiteral("tomorrow") },
            { "new, always", {}, {}, 30, true, newPage, alwaysButton, 2, QStringLiteral("expiry") },
            { "lapsed, a day", 2, now.addDays(-1), 365, true, newPage, dayButton, 2, QStringLiteral("tomorrow") },
            { "lapsed, always", 2, now.addDays(-1), 30, true, newPage, alwaysButton, 2, QStringLiteral("expiry") },
            { "expired, a day", 2, QStringLiteral("expiry"), -1, true, expiredPage, dayButton, 2,
              QStringLiteral("tomorrow") },
            { "expired, always", 2, QStringLiteral("expiry"), -1, true, expiredPage, alwaysButton, 1,
              QStringLiteral("expiry") },
            { "changed, always", 2, now.addDays(5), 365, false, changedPage, alwaysButton, 1, now.addDays(5) },
            { "changed, a day", 1, QVariant(), 365, false, changedPage, dayButton, 2, QStringLiteral("tomorrow") },
        };
        QList<ServerCertificate> presented;
        QList<qint64> ids;
        for (int i = 0; i < rows.size(); ++i) {
            const Row &row = rows.at(i);
            const QString name = QStringLiteral("answer%1.example.test").arg(i);
            presented << ServerCertificate::make(name, row.validDays);
            const QVariant ends = is(row.ends, "expiry") ? QVariant(presented.last().notAfter) : row.ends;
            const QByteArray der = row.sameCertificate ? presented.last().der : ServerCertificate::make(name).der;
            ids << (row.type.isValid() ? check.seed(name, row.type, ends, der) : -1);
        }
        // A lapsed record that was never installed keeps that mark.
        QVERIFY(
            h.database().execute(QStringLiteral("UPDATE certificates SET installed = 0 WHERE id = ?"), { ids.at(2) }));
        QVERIFY(h.freezeClock(now));

        for (int i = 0; i < rows.size(); ++i) {
            const Row &row = rows.at(i);
            const QString what = QLatin1String(row.what);
            QVERIFY2(check.answer(presented.at(i), row.page, row.button) == 1, qPrintable(what));
            const TrustRow stored = check.record(ids.at(i), QStringLiteral("answer%1.example.test").arg(i));
            QVERIFY2(stored.id > 0, qPrintable(what));
            QCOMPARE(stored.der, presented.at(i).der);
            QCOMPARE(stored.trustType.toInt(), row.storedType);
            QCOMPARE(stored.installed.toInt(), i == 2 ? 0 : 1);
            const QVariant ends = is(row.storedEnds, "tomorrow") ? QVariant(tomorrow)
                : is(row.storedEnds, "expiry")                   ? QVariant(presented.at(i).notAfter)
                                                                 : row.storedEnds;
            QVERIFY2(stored.trustEnds.toDateTime() == ends.toDateTime(),
                     qPrintable(what + QStringLiteral(": ") + stored.trustEnds.toString()));
            QVERIFY2(check.withoutPage(presented.at(i)) == 1, qPrintable(what));
        }
        QCOMPARE(h.database().trustRecords().size(), rows.size());
        QVERIFY(h.servicesEndedCleanly());
        QVERIFY2(h.logLines().isEmpty(), qPrintable(h.logLines().join('\n')));
    }

    // Over the night the clocks go forward a day is 23 hours.
    void aDayEndsAtTheSameClockTimeAcrossSummerTime()
    {
        READY_HARNESS(h);
        Check check{ h };
        h.setEnvironment(QStringLiteral("TZ"), QStringLiteral("CET-1CEST,M3.5.0,M10.5.0/3"));
        // Noon of the Saturday before summer time begins.
        QVERIFY(h.freezeClock(QDateTime(QDate(2024, 3, 30), QTime(11, 0), Qt::UTC)));
        QCOMPARE(check.answer(ServerCertificate::make(QStringLiteral("spring.example.test")), newPage, dayButton), 1);
        const QList<TrustRow> records = h.database().trustRecords();
        QCOMPARE(records.size(), 1);
        QVERIFY2(records.at(0).trustEnds.toString().startsWith(QLatin1String("2024-03-31T12:00:00")),
                 qPrintable(records.at(0).trustEnds.toString()));
    }

    // Same name, another certificate: the page compares it with the record
    // of the highest id, and both certificates open their own details.
    void changedPageComparesWithTheNewestRecord()
    {
        READY_HARNESS(h);
        Check check{ h };
        const QString name = QStringLiteral("shop.example.test");
        const ServerCertificate first = ServerCertificate::make(name);
        const ServerCertificate second = ServerCertificate::make(name);
        const ServerCertificate presented = ServerCertificate::make(name);
        QVERIFY(check.seed(name, 1, QVariant(), first.der) > 0);
        QVERIFY(check.seed(name, 2, QDateTime::currentDateTime().addDays(5), second.der) > 0);
        auto detailsFingerprint = [&](const QString &widget) {
            if (!h.ui().click(widget) || !h.ui().waitFor(QStringLiteral("detailsSha256"), 15000))
                return QString();
            QString shown;
            for (const QChar c : h.widget(QStringLiteral("detailsSha256")).value("text").toString()) {
                if (c.isDigit() || (c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f')))
                    shown += c.toLower();
            }
            return h.ui().back() && check.onPage(changedPage) ? shown : QString();
        };
        QDBusPendingReply<bool> call = check.ask(presented);
        QVERIFY(check.onPage(changedPage));
        for (const char *widget : { "OldCertificateItemWidget", "NewCertificateItemWidget" })
            QCOMPARE(h.widget(QLatin1String(widget)).value("text").toString(), name);
        QCOMPARE(detailsFingerprint(QStringLiteral("OldCertificateItemWidget")), sha256Of(second.der));
        QCOMPARE(detailsFingerprint(QStringLiteral("NewCertificateItemWidget")), sha256Of(presented.der));
        QVERIFY(h.ui().back());
        QCOMPARE(check.reply(call), 0);
        // The first record still trusts its own certificate.
        QCOMPARE(check.withoutPage(first), 1);
    }

    // Sound-looking input the service still cannot take (bad arguments of
    // every other kind are tst_faults_arguments'): refused without a page,
    // while a question waits, and quietly.
    void certificatesItCannotTakeAreRefusedWithoutAPage()
    {
        READY_HARNESS(h);
        Check check{ h };
        const ServerCertificate server = ServerCertificate::make(QStringLiteral("input.example.test"));
        const QByteArray unreadableKey = withUnknownKeyAlgorithm(server.der);
        QVERIFY(CertificateFactory::fromDer(unreadableKey)); // it does parse
        const QList<QPair<const char *, QString>> arguments = {
            { "cut short", base64(server.der.left(server.der.size() - 1)) },
            { "bytes after the certificate", base64(server.der + '\0') },
            { "unreadable public key", base64(unreadableKey) },
        };
        QDBusPendingReply<bool> waiting = check.ask(server);
        QVERIFY(check.onPage(newPage));
        for (const auto &argument : arguments)
            QVERIFY2(check.reply(check.ask(argument.second)) == 0, argument.first);
        QCOMPARE(h.pageCount(), 1);
        QVERIFY(h.ui().back());
        QCOMPARE(check.reply(waiting), 0);
        QVERIFY(h.database().trustRecords().isEmpty());
        const QStringList own = h.logLines().filter(QStringLiteral("dbusservice("));
        QVERIFY2(own.isEmpty(), qPrintable(own.join('\n')));
    }

    // The name is a value of the lookup, not part of its text: a name that
    // reads as SQL or a pattern finds only its own records; a certificate
    // without a common name is kept under the empty name.
    void namesAreLookedUpAsTheyAre()
    {
        READY_HARNESS(h);
        Check check{ h };
        const ServerCertificate other = ServerCertificate::make(QStringLiteral("other.example.test"));
        for (const char *name : { "other.example.test", "100%", "a_c" })
            QVERIFY(check.seed(QLatin1String(name), 1, QVariant(), other.der) > 0);
        const QStringList names = { QStringLiteral("x' OR '1'='1"), QStringLiteral("%") };
        // A record of another name would bring up the changed page.
        for (const QString &name : names)
            QVERIFY2(check.answer(ServerCertificate::make(name), newPage, QString()) == 0, qPrintable(name));
        QCOMPARE(h.database().trustRecords().size(), 3);

        ServerCertificate nameless;
        CertificateFactory::Options options;
        options.commonName.clear();
        options.organization = QStringLiteral("Nameless Servers");
        nameless.made = CertificateFactory::makeSelfSigned(options);
        nameless.der = CertificateFactory::toDer(nameless.made.certificate.data());
        const ServerCertificate quoted = ServerCertificate::make(names.first());
        for (const ServerCertificate *server : std::initializer_list<const ServerCertificate *>{ &quoted, &nameless }) {
            QCOMPARE(check.answer(*server, newPage, dayButton), 1);
            QCOMPARE(check.withoutPage(*server), 1);
        }
        const QList<TrustRow> records = h.database().trustRecords();
        QCOMPARE(records.size(), 5);
        QCOMPARE(records.at(3).subjectCn, names.first());
        QCOMPARE(records.at(4).subjectCn, QString(QLatin1String("")));
    }

    // Records the service cannot use: a stored certificate that cannot be
    // read is reported with its record; ids past the range of int are
    // addressed exactly; a table of other columns is logged, and the answer
    // to its question is not claimed.
    void recordsItCannotUseAreReported()
    {
        READY_HARNESS(h);
        Check check{ h };
        const QString broken = QStringLiteral("broken.example.test");
        QVERIFY(check.seed(broken, 1, QVariant(), ServerCertificate::make(broken).der) > 0);
        const qint64 id = check.seed(broken, 1, QVariant(), "not a certificate");
        QVERIFY(id > 0);
        h.markLog();
        QCOMPARE(check.reply(check.ask(ServerCertificate::make(broken))), 0);
        QVERIFY(h.waitForLog(QStringLiteral("ERROR CheckCertificate: could not decode a certificate from the DB, "
                                            "possible corruption, id = %1")
                                 .arg(id)));

        const QString large = QStringLiteral("large.example.test");
        const ServerCertificate low = ServerCertificate::make(large);
        const ServerCertificate presented = ServerCertificate::make(large);
        QVERIFY(h.database().execute(QStringLiteral("INSERT INTO certificates VALUES (5, ?, 1, 1, NULL, ?)"),
                                     { large, low.der }));
        QVERIFY(h.database().execute(QStringLiteral("INSERT INTO certificates VALUES (4294967297, ?, 1, 1, NULL, ?)"),
                                     { large, ServerCertificate::make(large).der }));
        QCOMPARE(check.answer(presented, changedPage, alwaysButton), 1);
        QCOMPARE(check.record(5).der, low.der);
        QCOMPARE(check.record(Q_INT64_C(4294967297)).der, presented.der);

        QVERIFY(h.database().execute(QStringLiteral("DROP TABLE certificates")));
        QVERIFY(
            h.database().execute(QStringLiteral("CREATE TABLE certificates (id integer PRIMARY KEY, name varchar)")));
        h.markLog();
        QCOMPARE(check.answer(ServerCertificate::make(QStringLiteral("table.example.test")), newPage, dayButton), 0);
        QVERIFY(h.waitForLog(QStringLiteral("): ERROR Failed to execute a query to the DB: ")));
        QVERIFY(h.waitForLog(QStringLiteral("): ERROR Could not insert a certificate data into the database")));
    }
};

QTEST_GUILESS_MAIN(TestCheckCertificate)

#include "tst_checkcertificate.moc"
