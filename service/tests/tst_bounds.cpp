// What one caller can ask of the real service is bounded: questions waiting
// for the user at once, the length of domain lists, and the size of a
// listing's reply. Repeated domain names in one list are handled once.

#include "tst_keymethods_fixture.h"

#include <QRandomGenerator>

namespace {

QStringList numberedDomains(int count)
{
    QStringList domains;
    for (int i = 0; i < count; ++i)
        domains << QStringLiteral("d%1-ca").arg(i);
    return domains;
}

QDBusMessage checkMessage(const QString &x509)
{
    const QString service = KeyServiceFixture::serviceName();
    QDBusMessage message = QDBusMessage::createMethodCall(service, "/request", service, "CheckCertificate");
    message.setArguments({ x509 });
    return message;
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
        KeyServiceFixture device;
        QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
        device.call(QStringLiteral("LoadCertificatesFromDomains"), { QStringList() });
        device.markLog();

        QList<QDBusConnection> connections;
        for (int i = 0; i < 4; ++i)
            connections << QDBusConnection::connectToBus(device.bus.address(), QStringLiteral("flood-%1").arg(i));
        QList<QDBusPendingCall> calls;
        for (int i = 0; i < callCount; ++i) {
            const KeyMaterial server = KeyMaterial::make(QStringLiteral("flood-%1.test").arg(i));
            QVERIFY(!server.isNull());
            calls << connections.at(i % connections.size()).asyncCall(checkMessage(server.derText()), 120000);
        }
        auto finished = [&] {
            return int(std::count_if(calls.begin(), calls.end(), [](const QDBusPendingCall &c) { return c.isFinished(); }));
        };
        QVERIFY2(QTest::qWaitFor([&] { return finished() == callCount - waitingCap; }, 60000),
                 qPrintable(QString::number(finished())));
        QCOMPARE(device.ui({ { "cmd", "pages" } }).value("pages").toArray().size(), waitingCap);
        QVERIFY(device.logSinceMark().contains(QLatin1String("ERROR CheckCertificate: 16 questions already wait")));

        for (int answered = 1; answered <= waitingCap; ++answered) {
            QVERIFY(device.back());
            QVERIFY(QTest::qWaitFor([&] { return finished() == callCount - waitingCap + answered; }, 30000));
        }
        for (QDBusPendingCall &call : calls) {
            QDBusPendingReply<bool> reply = call;
            QVERIFY2(reply.isValid(), qPrintable(reply.error().message()));
            QVERIFY(!reply.value());
        }
        for (int i = 0; i < connections.size(); ++i)
            QDBusConnection::disconnectFromBus(QStringLiteral("flood-%1").arg(i));
    }

    void overlongDomainListsAreRefused_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QStringList>("domains");
        QTest::newRow("install into 65 domains") << "InstallCertificateToDomains" << numberedDomains(65);
        QTest::newRow("install, one domain 100000 times")
            << "InstallCertificateToDomains" << QStringList(QVector<QString>(100000, QStringLiteral("ssl-ca")).toList());
        QTest::newRow("delete from 65 domains") << "DeleteCertificateFromDomains" << numberedDomains(65);
        QTest::newRow("load, one domain 100000 times")
            << "LoadCertificatesFromDomains" << QStringList(QVector<QString>(100000, QStringLiteral("ssl-ca")).toList());
    }

    void overlongDomainListsAreRefused()
    {
        QFETCH(QString, method);
        QFETCH(QStringList, domains);
        KeyServiceFixture device;
        QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
        const KeyMaterial ca = KeyMaterial::make(QStringLiteral("Listed CA"), true);
        QVERIFY(!ca.isNull());
        QVERIFY(KeyServiceFixture::addToDomain(QStringLiteral("ssl-ca"), ca));
        device.markLog();

        QVariantList arguments{ QVariant::fromValue(domains) };
        if (method == QLatin1String("InstallCertificateToDomains"))
            arguments.prepend(KeyMaterial::make(QStringLiteral("Flood CA"), true).derText());
        else if (method == QLatin1String("DeleteCertificateFromDomains"))
            arguments.prepend(ca.keyId);
        const QDBusMessage reply = device.call(method, arguments);
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
        const QVariant value = reply.arguments().value(0);
        if (method == QLatin1String("LoadCertificatesFromDomains"))
            QVERIFY(qdbus_cast<QVariantMap>(value).isEmpty());
        else
            QVERIFY(!value.toBool());
        QVERIFY(device.waitForLog(method + QStringLiteral(": too many domains (%1, at most 64)").arg(domains.size())));
        QCOMPARE(QDir(device.root.resolve(QStringLiteral("/home/user/.bastra-certs")))
                     .entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{ "ssl-ca" });
        QVERIFY(KeyServiceFixture::domainHolds(QStringLiteral("ssl-ca"), ca));
    }

    void repeatedDomainsAreHandledOnce()
    {
        KeyServiceFixture device;
        QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
        const KeyMaterial user = KeyMaterial::make(QStringLiteral("twice.test"));
        QVERIFY(!user.isNull());
        device.markLog();
        QVERIFY(device.call("InstallCertificateToDomains", { user.itemText(0), QStringList{ "ssl-user", "ssl-user" } })
                    .arguments().value(0).toBool());
        QCOMPARE(device.keyRow(user.keyId).domains, QStringLiteral("ssl-user"));
        QVERIFY(!device.logSinceMark().contains(QLatin1String("(17)")));

        // Sixty-four names are still a list: one entry for the one that exists.
        const QStringList domains = QStringList{ "ssl-user", "ssl-user" } + numberedDomains(62);
        const QDBusMessage listed = device.call("LoadCertificatesFromDomains", { domains });
        const QVariantMap certificates = qdbus_cast<QVariantMap>(listed.arguments().value(0));
        QCOMPARE(certificates.size(), 1);
        QCOMPARE(certificates.value(user.derText()).toString(), QStringLiteral("ssl-user"));
    }

    // Forty server records of a megabyte each would make a reply larger
    // than the bus passes on; the reply stops short of that instead.
    void listingReplyStaysBelowTheBusLimit()
    {
        KeyServiceFixture device;
        QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));
        device.call(QStringLiteral("GetPrivateKeyData"), { QString() });   // the tables exist
        QSqlQuery insert(device.database());
        QVERIFY(insert.prepare(QStringLiteral("INSERT INTO certificates (subject_cn, installed, trust_type, der_dump) "
                                              "VALUES ('big', 1, 1, ?)")));
        for (int i = 0; i < 40; ++i) {
            QByteArray blob(1 << 20, '\0');
            QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(blob.data()), blob.size() / 4);
            insert.addBindValue(blob);
            QVERIFY2(insert.exec(), qPrintable(insert.lastError().text()));
        }
        device.markLog();
        const QDBusMessage reply = device.call(QStringLiteral("LoadCertificatesFromDomains"), { QStringList() });
        QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
        const int listed = qdbus_cast<QVariantMap>(reply.arguments().value(0)).size();
        QVERIFY2(listed > 0 && listed < 40, qPrintable(QString::number(listed)));
        QVERIFY(device.waitForLog(QStringLiteral("ERROR LoadCertificatesFromDomains: the reply would exceed")));
    }
};

QTEST_GUILESS_MAIN(TestBounds)

#include "tst_bounds.moc"
