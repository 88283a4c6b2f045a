// Many clients at once against the real trustkeep: every call answered
// correctly, the service still answering afterwards, and still ending by
// itself two seconds after the last call.

#include "tst_loadfixture.h"

#include <QAtomicInt>
#include <QDBusArgument>
#include <QElapsedTimer>
#include <QThread>

#include <functional>
#include <memory>
#include <vector>

using namespace loadtest;

namespace {

const int clientCount = 32;
const int callsPerClient = 500;

// One client: its own bus connection, its calls made one after another
// from its own thread; counts the calls that failed or answered wrongly.
class Client : public QThread
{
public:
    Client(const QString &address, int number, std::function<bool(QDBusConnection &, int)> oneCall)
        : m_address(address)
        , m_name(QStringLiteral("load-client-%1").arg(number))
        , m_number(number)
        , m_oneCall(std::move(oneCall))
    {
    }
    ~Client() override { QDBusConnection::disconnectFromBus(m_name); }

    int failures() const { return m_failures; }
    QString firstFailure() const { return m_firstFailure; }

protected:
    void run() override
    {
        QDBusConnection connection = QDBusConnection::connectToBus(m_address, m_name);
        if (!connection.isConnected()) {
            m_failures = callsPerClient;
            m_firstFailure = QStringLiteral("client %1 could not connect").arg(m_number);
            return;
        }
        for (int i = 0; i < callsPerClient; ++i) {
            if (!m_oneCall(connection, m_number + i)) {
                if (m_failures++ == 0)
                    m_firstFailure = QStringLiteral("client %1, call %2").arg(m_number).arg(i);
            }
        }
    }

private:
    QString m_address;
    QString m_name;
    int m_number;
    std::function<bool(QDBusConnection &, int)> m_oneCall;
    int m_failures = 0;
    QString m_firstFailure;
};

QVariantMap mapOf(const QDBusMessage &reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return QVariantMap();
    return qdbus_cast<QVariantMap>(reply.arguments().first());
}

} // namespace

class TestLoad : public QObject
{
    Q_OBJECT

private slots:
    void concurrentClients();
};

void TestLoad::concurrentClients()
{
    Device device;
    QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));

    // A trusted server, a key record, and a shared domain of three CAs.
    const QString serverName = QStringLiteral("load.example.test");
    const QByteArray der = serverDer(serverName);
    QVERIFY(!der.isEmpty());
    QVERIFY(device.addTrustRecord(serverName, der));
    const auto keyed = CertificateFactory::makeSelfSigned(CertificateFactory::Options());
    const QString keyId = keyIdText(keyed.certificate.data());
    QVERIFY(!keyId.isEmpty());
    QVERIFY(device.addKeyRecord(keyId, QStringLiteral("Keyed"), 1));
    for (int i = 0; i < 3; ++i) {
        const auto ca = CertificateFactory::makeCa(QStringLiteral("Load CA %1").arg(i));
        QVERIFY(device.root.addSharedCertificate(QStringLiteral("common-ca"), ca.certificate.data()));
    }
    device.closeDatabase();
    // The clients' first calls start the service, by bus activation.

    const QString derText = QString::fromLatin1(der.toBase64());
    const QStringList domains{ QStringLiteral("common-ca") };
    auto oneCall = [&](QDBusConnection &connection, int n) {
        QDBusMessage reply;
        switch (n % 3) {
        case 0:
            reply = connection.call(methodCall(QStringLiteral("CheckCertificate"), { derText }), QDBus::Block, 120000);
            return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool();
        case 1: {
            reply = connection.call(methodCall(QStringLiteral("LoadCertificatesFromDomains"), { domains }),
                                    QDBus::Block, 120000);
            const QVariantMap listed = mapOf(reply);
            return listed.size() == 4 && listed.value(derText).toString() == QLatin1String("server");
        }
        default:
            reply = connection.call(methodCall(QStringLiteral("GetPrivateKeyData"), { keyId }), QDBus::Block, 120000);
            return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toInt() == 1;
        }
    };

    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < clientCount; ++i)
        clients.emplace_back(new Client(device.bus.address(), i, oneCall));
    for (auto &client : clients)
        client->start();
    int failures = 0;
    QString firstFailure;
    for (auto &client : clients) {
        QVERIFY(client->wait(240000));
        if (client->failures() && firstFailure.isEmpty())
            firstFailure = client->firstFailure();
        failures += client->failures();
    }
    QVERIFY2(failures == 0, qPrintable(QStringLiteral("%1 failed calls, first: %2").arg(failures).arg(firstFailure)));

    // Still answering, and that answer is the last call.
    QDBusConnection connection = device.bus.connection();
    QVERIFY(oneCall(connection, 0));
    QElapsedTimer sinceLastCall;
    sinceLastCall.start();
    const qint64 pid = device.bus.ownerPid(serviceName());
    QVERIFY(pid > 0);
    QVERIFY(device.bus.waitForName(serviceName(), false, 30000));
    // Not before its two idle seconds, and not long after them either (a
    // loaded machine may add a little).
    QVERIFY2(sinceLastCall.elapsed() >= 1500, qPrintable(QString::number(sinceLastCall.elapsed())));
    QVERIFY2(sinceLastCall.elapsed() < 15000, qPrintable(QString::number(sinceLastCall.elapsed())));
    QCOMPARE(device.integrityCheck(), QStringLiteral("ok"));
}

QTEST_GUILESS_MAIN(TestLoad)
#include "tst_load.moc"
