// What CheckCertificate makes of bad input: arguments that are no
// certificate, names that look like SQL, and records it cannot use.
// Nothing of it may show a page, crash the service or change the table.

#include "trustcheckfixture.h"

namespace {

const QString newPage = QStringLiteral("serverCertificateInstallNewPage");
const QString changedPage = QStringLiteral("serverCertificateInstallChangedPage");
const QString dayButton = QStringLiteral("CertmanTrust24Button");

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

} // namespace

class TestCheckCertificateInput : public QObject
{
    Q_OBJECT

private slots:
    void argumentsThatAreNoCertificateAreRefusedQuietly()
    {
        TrustCheckService service;
        QVERIFY2(service.isValid(), qPrintable(service.errorString()));
        const ServerCertificate server = makeServerCertificate(QStringLiteral("input.example.test"));
        const QByteArray unreadableKey = withUnknownKeyAlgorithm(server.der);
        QVERIFY(!unreadableKey.isEmpty());
        QVERIFY(CertificateFactory::fromDer(unreadableKey));   // it does parse

        const QList<QPair<const char *, QString>> arguments = {
            { "empty", QString() },
            { "not base64", QStringLiteral("@@@@") },
            { "bad padding", QStringLiteral("QUJD=") },
            { "not DER", base64("hello, world") },
            { "cut short", base64(server.der.left(server.der.size() - 1)) },
            { "bytes after the certificate", base64(server.der + '\0') },
            { "unreadable public key", base64(unreadableKey) },
            { "16 MiB of zeros", QString(16 * 1024 * 1024, QLatin1Char('A')) },
            { "16 MiB behind a certificate", base64(server.der + QByteArray(12 * 1024 * 1024, '\x30')) },
        };
        // Asked while a question waits, so the service is held for as long as
        // the largest arguments take to arrive.
        QDBusPendingCall waiting = service.check(server);
        QVERIFY(service.waitForPage(newPage));
        for (const auto &argument : arguments) {
            QDBusPendingCall call = service.check(argument.second);
            QVERIFY2(service.reply(call) == 0, qPrintable(QString::fromLatin1(argument.first) + ": "
                                                           + call.error().message() + '\n' + service.allOutput()));
        }
        QCOMPARE(service.pageCount(), 1);
        QVERIFY(service.back());
        QCOMPARE(service.reply(waiting), 0);

        QVERIFY(service.records().isEmpty());
        QVERIFY(service.endedCleanly());
        // The service itself keeps quiet (the certificate library may say
        // why it refused a certificate).
        const QStringList own = service.logLines().filter(QStringLiteral("dbusservice("));
        QVERIFY2(own.isEmpty(), qPrintable(own.join('\n')));
    }

    // The name is a value of the lookup, not part of its text: a name that
    // would read as SQL, or a pattern, finds only its own records.
    void namesAreLookedUpAsTheyAre()
    {
        TrustCheckService service;
        QVERIFY2(service.isValid(), qPrintable(service.errorString()));
        const ServerCertificate other = makeServerCertificate(QStringLiteral("other.example.test"));
        QVERIFY(service.seed(QStringLiteral("other.example.test"), 1, QVariant(), other.der) >= 0);
        QVERIFY(service.seed(QStringLiteral("100%"), 1, QVariant(), other.der) >= 0);
        QVERIFY(service.seed(QStringLiteral("a_c"), 1, QVariant(), other.der) >= 0);
        const QList<TrustRecord> seeded = service.records();

        const QStringList names = {
            QStringLiteral("x' OR '1'='1"),
            QStringLiteral("\"; DROP TABLE certificates; --"),
            QStringLiteral("%"),
            QStringLiteral("abc"),
            QStringLiteral("100%%"),
        };
        for (const QString &name : names) {
            // A record of another name would bring up the changed page.
            QDBusPendingCall call = service.check(makeServerCertificate(name));
            QVERIFY2(service.waitForPage(newPage), qPrintable(name));
            QVERIFY(service.back());
            QCOMPARE(service.reply(call), 0);
        }
        QCOMPARE(service.records(), seeded);

        const ServerCertificate quoted = makeServerCertificate(names.first());
        QDBusPendingCall call = service.check(quoted);
        QVERIFY(service.waitForPage(newPage));
        QVERIFY(service.click(dayButton));
        QCOMPARE(service.reply(call), 1);
        const QList<TrustRecord> records = service.records();
        QCOMPARE(records.size(), seeded.size() + 1);
        QCOMPARE(records.last().subjectCn, names.first());
        QCOMPARE(service.checkWithoutPage(quoted), 1);
        QVERIFY(service.endedCleanly());
    }

    void certificateWithoutCommonNameIsKeptUnderTheEmptyName()
    {
        TrustCheckService service;
        QVERIFY2(service.isValid(), qPrintable(service.errorString()));
        CertificateFactory::Options options;
        options.commonName.clear();
        options.organization = QStringLiteral("Nameless Servers");
        ServerCertificate nameless;
        nameless.made = CertificateFactory::makeSelfSigned(options);
        nameless.der = CertificateFactory::toDer(nameless.made.certificate.data());
        QVERIFY(!nameless.der.isEmpty());

        QDBusPendingCall call = service.check(nameless);
        QVERIFY(service.waitForPage(newPage));
        QVERIFY(service.click(dayButton));
        QCOMPARE(service.reply(call), 1);
        const QList<TrustRecord> records = service.records();
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.at(0).subjectCn, QString(QLatin1String("")));
        QCOMPARE(service.checkWithoutPage(nameless), 1);
        QVERIFY(service.endedCleanly());
    }

    void storedCertificateThatCannotBeReadIsReportedWithItsRecord()
    {
        TrustCheckService service;
        QVERIFY2(service.isValid(), qPrintable(service.errorString()));
        const ServerCertificate good = makeServerCertificate(QStringLiteral("broken.example.test"));
        const ServerCertificate presented = makeServerCertificate(QStringLiteral("broken.example.test"));
        QVERIFY(service.seed(QStringLiteral("broken.example.test"), 1, QVariant(), good.der) >= 0);
        const qint64 id = service.seed(QStringLiteral("broken.example.test"), 1, QVariant(), "not a certificate");
        QVERIFY(id >= 0);
        const QList<TrustRecord> seeded = service.records();

        QCOMPARE(service.reply(service.check(presented)), 0);
        QCOMPARE(service.records(), seeded);
        QVERIFY(service.endedCleanly());
        const QStringList lines = service.logLines();
        QVERIFY2(lines.size() == 1, qPrintable(lines.join('\n')));
        QVERIFY2(QRegularExpression(QStringLiteral("^dbusservice\\(\\d+\\): ERROR CheckCertificate: could not decode a "
                                                   "certificate from the DB, possible corruption, id = %1$")
                                        .arg(id))
                     .match(lines.first())
                     .hasMatch(),
                 qPrintable(lines.first()));
    }

    // Record ids are SQLite's 64-bit row ids: one past the range of int is
    // still the record that gets the answer.
    void recordsWithLargeIdsAreAddressedExactly()
    {
        TrustCheckService service;
        QVERIFY2(service.isValid(), qPrintable(service.errorString()));
        const QString name = QStringLiteral("large.example.test");
        const ServerCertificate low = makeServerCertificate(name);
        const ServerCertificate high = makeServerCertificate(name);
        const ServerCertificate presented = makeServerCertificate(name);
        QVERIFY(service.execute(QStringLiteral("INSERT INTO certificates VALUES (1, ?, 1, 1, NULL, ?)"),
                                { name, low.der }));
        QVERIFY(service.execute(QStringLiteral("INSERT INTO certificates VALUES (4294967297, ?, 1, 1, NULL, ?)"),
                                { name, high.der }));

        QDBusPendingCall call = service.check(presented);
        QVERIFY(service.waitForPage(changedPage));
        QVERIFY(service.click(QStringLiteral("CertmanTustButton")));
        QCOMPARE(service.reply(call), 1);
        const QList<TrustRecord> records = service.records();
        QCOMPARE(records.size(), 2);
        QCOMPARE(records.at(0).derDump, low.der);
        QCOMPARE(records.at(1).id, Q_INT64_C(4294967297));
        QCOMPARE(records.at(1).derDump, presented.der);
        QVERIFY(service.endedCleanly());
    }

    // A time-limited trust whose end cannot be read promises nothing: it is
    // asked about again, and the answer goes into that record.
    void unreadableEndIsAskedAgain()
    {
        TrustCheckService service;
        QVERIFY2(service.isValid(), qPrintable(service.errorString()));
        const ServerCertificate server = makeServerCertificate(QStringLiteral("garbled.example.test"));
        const qint64 id = service.seed(QStringLiteral("garbled.example.test"), 2, QStringLiteral("soon"), server.der);
        QVERIFY(id >= 0);

        QDBusPendingCall call = service.check(server);
        QVERIFY(service.waitForPage(newPage));
        QVERIFY(service.click(dayButton));
        QCOMPARE(service.reply(call), 1);
        const QList<TrustRecord> records = service.records();
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.at(0).id, id);
        QVERIFY(records.at(0).trustEnds.toDateTime() > QDateTime::currentDateTime());
        QCOMPARE(service.checkWithoutPage(server), 1);
        QVERIFY(service.endedCleanly());
    }

    // A table of other columns: the lookup fails and is logged, the question
    // is asked as for a new certificate, and the answer cannot be stored.
    void unusableTableIsLoggedAndTheAnswerNotClaimed()
    {
        TrustCheckService service;
        QVERIFY2(service.isValid(), qPrintable(service.errorString()));
        QVERIFY(service.execute(QStringLiteral("DROP TABLE certificates")));
        QVERIFY(service.execute(QStringLiteral("CREATE TABLE certificates (id integer PRIMARY KEY, name varchar)")));
        const ServerCertificate server = makeServerCertificate(QStringLiteral("table.example.test"));

        QDBusPendingCall call = service.check(server);
        QVERIFY(service.waitForPage(newPage));
        QVERIFY(service.click(dayButton));
        QCOMPARE(service.reply(call), 0);
        QVERIFY(service.endedCleanly());
        const QStringList lines = service.logLines().filter(QStringLiteral("dbusservice("));
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines.at(0).contains(QLatin1String("): ERROR Failed to execute a query to the DB: ")),
                 qPrintable(lines.at(0)));
        QVERIFY2(lines.at(1).endsWith(QLatin1String("): ERROR Could not insert a certificate data into the database")),
                 qPrintable(lines.at(1)));
    }
};

QTEST_GUILESS_MAIN(TestCheckCertificateInput)

#include "tst_checkcertificateinput.moc"
