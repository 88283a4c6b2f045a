// What one caller can ask of the real service is bounded: questions waiting
// for the user at once, the length of domain lists, and the size of a
// listing's reply. Repeated domain names in one list are handled once.

#include "processtestharness.h"
#include "testmaterial.h"

#include <trustkeepservice.h>

#include <QRandomGenerator>

#include <memory>

namespace {

QStringList numberedDomains(int count)
{
    QStringList domains;
    for (int i = 0; i < count; ++i)
        domains << QStringLiteral("d%1-ca").arg(i);
    return domains;
}

} // namespace

class TestBounds : public QObject
{
    Q_OBJECT

private slots:
    // Forty new certificates from four connections at once: sixteen
    // questions wait, the others are answered "not trusted" at once, and
    // every waiting caller still gets its reply when the user answers.
    void waitingQuestionsAreCapped()
    {
        const int waitingCap = 16;
        const int callCount = 40;
        READY_HARNESS(h);
        h.service().LoadCertificatesFromDomains({}).waitForFinished();
        h.markLog();

        std::vector<std::unique_ptr<TrustkeepClient>> clients;
        for (int i = 0; i < 4; ++i) {
            const QDBusConnection connection =
                QDBusConnection::connectToBus(h.bus().address(), QStringLiteral("flood-%1").arg(i));
            clients.emplace_back(new TrustkeepClient(QLatin1String(TrustkeepService::name),
                                                     QLatin1String(TrustkeepService::path), connection));
            clients.back()->setTimeout(120000);
        }
        QList<QDBusPendingReply<bool>> calls;
        for (int i = 0; i < callCount; ++i) {
            const KeyMaterial server = KeyMaterial::make(QStringLiteral("flood-%1.test").arg(i));
            calls << clients.at(i % clients.size())->CheckCertificate(server.derText());
        }
        auto finished = [&] {
            return int(
                std::count_if(calls.begin(), calls.end(), [](const QDBusPendingCall &c) { return c.isFinished(); }));
        };
        QVERIFY2(QTest::qWaitFor([&] { return finished() == callCount - waitingCap; }, 60000),
                 qPrintable(QString::number(finished())));
        QCOMPARE(h.pageCount(), waitingCap);
        QVERIFY(h.waitForLog(QStringLiteral("ERROR CheckCertificate: 16 questions already wait")));

        for (int answered = 1; answered <= waitingCap; ++answered) {
            QVERIFY(h.ui().back());
            QVERIFY(QTest::qWaitFor([&] { return finished() == callCount - waitingCap + answered; }, 30000));
        }
        for (const QDBusPendingReply<bool> &reply : calls) {
            QVERIFY2(reply.isValid(), qPrintable(reply.error().message()));
            QVERIFY(!reply.value());
        }
        clients.clear();
        for (int i = 0; i < 4; ++i)
            QDBusConnection::disconnectFromBus(QStringLiteral("flood-%1").arg(i));
    }

    void overlongDomainListsAreRefused_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QStringList>("domains");
        QTest::newRow("install into 65 domains") << "InstallCertificateToDomains" << numberedDomains(65);
        QTest::newRow("install, one domain 100000 times")
            << "InstallCertificateToDomains"
            << QStringList(QVector<QString>(100000, QStringLiteral("ssl-ca")).toList());
        QTest::newRow("delete from 65 domains") << "DeleteCertificateFromDomains" << numberedDomains(65);
        QTest::newRow("load, one domain 100000 times")
            << "LoadCertificatesFromDomains"
            << QStringList(QVector<QString>(100000, QStringLiteral("ssl-ca")).toList());
    }

    void overlongDomainListsAreRefused()
    {
        QFETCH(QString, method);
        QFETCH(QStringList, domains);
        READY_HARNESS(h);
        const KeyMaterial ca = KeyMaterial::make(QStringLiteral("Listed CA"), true);
        QVERIFY(StoreProbe::addToDomain(QStringLiteral("ssl-ca"), ca.certificate()));
        h.markLog();

        if (method == QLatin1String("LoadCertificatesFromDomains")) {
            QDBusPendingReply<QVariantMap> listed = h.service().LoadCertificatesFromDomains(domains);
            QVERIFY(h.finish(listed) && listed.isValid());
            QVERIFY(listed.value().isEmpty());
        } else {
            QDBusPendingReply<bool> done = method == QLatin1String("InstallCertificateToDomains")
                ? h.service().InstallCertificateToDomains(KeyMaterial::make(QStringLiteral("Flood CA"), true).derText(),
                                                          domains)
                : h.service().DeleteCertificateFromDomains(ca.keyId, domains);
            QVERIFY(h.answeredFalse(done));
        }
        QVERIFY(h.waitForLog(method + QStringLiteral(": too many domains (%1, at most 64)").arg(domains.size())));
        QCOMPARE(QDir(h.root().resolve(QStringLiteral("/home/user/.bastra-certs")))
                     .entryList(QDir::Dirs | QDir::NoDotAndDotDot),
                 QStringList{ "ssl-ca" });
        QVERIFY(StoreProbe::domainHolds(QStringLiteral("ssl-ca"), ca.keyId));
    }

    void repeatedDomainsAreHandledOnce()
    {
        READY_HARNESS(h);
        const KeyMaterial user = KeyMaterial::make(QStringLiteral("twice.test"));
        h.markLog();
        QVERIFY(h.install(user.itemText(0), { "ssl-user", "ssl-user" }));
        QCOMPARE(h.database().keyRow(user.keyId).domains, QStringLiteral("ssl-user"));
        QVERIFY(!h.logSinceMark().join('\n').contains(QLatin1String("(17)")));

        // Sixty-four names are still a list: one entry for the one that exists.
        const QStringList domains = QStringList{ "ssl-user", "ssl-user" } + numberedDomains(62);
        QDBusPendingReply<QVariantMap> listed = h.service().LoadCertificatesFromDomains(domains);
        QVERIFY(h.finish(listed) && listed.isValid());
        QCOMPARE(listed.value().size(), 1);
        QCOMPARE(listed.value().value(user.derText()).toString(), QStringLiteral("ssl-user"));
    }

    // Forty server records of a megabyte each would make a reply larger
    // than the bus passes on; the reply stops short of that instead.
    void listingReplyStaysBelowTheBusLimit()
    {
        READY_HARNESS(h);
        const QString insert = QStringLiteral("INSERT INTO certificates (subject_cn, installed, trust_type, der_dump) "
                                              "VALUES ('big', 1, 1, ?)");
        for (int i = 0; i < 40; ++i) {
            QByteArray blob(1 << 20, '\0');
            QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(blob.data()), blob.size() / 4);
            QVERIFY(h.database().execute(insert, { blob }));
        }
        h.markLog();
        QDBusPendingReply<QVariantMap> listed = h.service().LoadCertificatesFromDomains({});
        QVERIFY(h.finish(listed));
        QVERIFY2(listed.isValid(), qPrintable(listed.error().message()));
        const int count = listed.value().size();
        QVERIFY2(count > 0 && count < 40, qPrintable(QString::number(count)));
        QVERIFY(h.waitForLog(QStringLiteral("ERROR LoadCertificatesFromDomains: the reply would exceed")));
    }
};

QTEST_GUILESS_MAIN(TestBounds)

#include "tst_bounds.moc"
