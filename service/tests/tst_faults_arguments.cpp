// Ten thousand calls with bad arguments against the real trustkeep: random
// text, Base64 of random bytes, truncated and bit-flipped certificates and
// serialized items, domain names that try to leave the store, control
// characters and 16 MiB strings. Each call must get its method's failure
// value, the service must live through all of them, the database must stay
// sound, and nothing may appear outside the store and the database.

#include "tst_loadfixture.h"

#include <certificateitem.h>
#include <zelvoautomationclient.h>

#include <QDBusArgument>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QRandomGenerator>

#include <openssl/x509.h>

#include <utility>
#include <vector>

using namespace loadtest;

namespace {

const int callCount = 10000;
const int batchSize = 64;      // calls in flight at once
const int hugeLength = 16 * 1024 * 1024;

// What a call must answer.
enum class Expect { False, NonPositive, ServersOnly, AnyString };

struct BadCall {
    QString method;
    QVariantList arguments;
    Expect expect;
};

bool parsesAsCertificate(const QByteArray &bytes)
{
    const unsigned char *cursor = reinterpret_cast<const unsigned char *>(bytes.constData());
    X509 *certificate = d2i_X509(nullptr, &cursor, bytes.size());
    X509_free(certificate);
    return certificate != nullptr;
}

bool deserializes(const QByteArray &bytes)
{
    CertificateItem item;
    return CertificateItem::Deserialize(item, bytes);
}

class BadCallMaker
{
public:
    BadCallMaker(quint32 seed, const QByteArray &der, const QByteArray &item, const QString &keyId)
        : m_random(seed), m_der(der), m_item(item), m_keyId(keyId)
    {
    }

    BadCall next()
    {
        switch (m_random.bounded(9)) {
        case 0: return { QStringLiteral("CheckCertificate"), { badCertificateText() }, Expect::False };
        case 1: return { QStringLiteral("ShowCertificateInfo"), { badCertificateText() }, Expect::False };
        case 2: return { QStringLiteral("InstallCertificateToDomains"), { badItemText(), someDomains() }, Expect::False };
        case 3: // a sound certificate, but domains that are not the store's
            return { QStringLiteral("InstallCertificateToDomains"),
                     { QString::fromLatin1(m_der.toBase64()), badDomains() }, Expect::False };
        case 4: return { QStringLiteral("DeleteCertificateFromDomains"), { badText(), someDomains() }, Expect::False };
        case 5: return { QStringLiteral("DeleteCertificateFromDomains"), { m_keyId, badDomains() }, Expect::False };
        case 6: return { QStringLiteral("LoadCertificatesFromDomains"), { badDomains() }, Expect::ServersOnly };
        case 7: return { QStringLiteral("GetPrivateKeyData"), { badText() }, Expect::NonPositive };
        default:
            if (m_random.bounded(2))
                return { QStringLiteral("ChangePrivateKeyPassword"), { badText() }, Expect::False };
            return { QStringLiteral("GetPrivateKey"), { badText(), badText() }, Expect::AnyString };
        }
    }

    QString huge() const { return QString(hugeLength, QLatin1Char('A')); }

private:
    QByteArray randomBytes(int length)
    {
        QByteArray bytes(length, 0);
        for (char &c : bytes)
            c = char(m_random.bounded(256));
        return bytes;
    }

    // Text of every kind, none of it a valid key id.
    QString badText()
    {
        switch (m_random.bounded(4)) {
        case 0: {
            QString text;
            const int length = m_random.bounded(200);
            for (int i = 0; i < length; ++i)
                text += QChar(ushort(1 + m_random.bounded(0xd7ff)));
            return text;
        }
        case 1: return QString::fromLatin1(randomBytes(m_random.bounded(100)).toBase64());
        case 2: return QString::fromLatin1(randomBytes(m_random.bounded(30)).toHex()) + QLatin1String("zz");
        default: return QString();
        }
    }

    QByteArray flipped(const QByteArray &bytes)
    {
        QByteArray copy = bytes;
        const int flips = 1 + m_random.bounded(4);
        for (int i = 0; i < flips; ++i)
            copy.data()[m_random.bounded(copy.size())] ^= char(1 << m_random.bounded(8));
        return copy;
    }

    // Never a certificate: a readable one would make the service ask the user.
    QString badCertificateText()
    {
        for (;;) {
            QByteArray bytes;
            switch (m_random.bounded(4)) {
            case 0: return badText();
            case 1: bytes = randomBytes(m_random.bounded(2000)); break;
            case 2: bytes = m_der.left(m_random.bounded(m_der.size())); break;
            default: bytes = flipped(m_der); break;
            }
            if (!parsesAsCertificate(bytes))
                return QString::fromLatin1(bytes.toBase64());
        }
    }

    // Neither a certificate nor an item the service would accept.
    QString badItemText()
    {
        for (;;) {
            QByteArray bytes;
            switch (m_random.bounded(3)) {
            case 0: return badCertificateText();
            case 1: bytes = m_item.left(m_random.bounded(m_item.size())); break;
            default: bytes = flipped(m_item); break;
            }
            if (!parsesAsCertificate(bytes) && !deserializes(bytes))
                return QString::fromLatin1(bytes.toBase64());
        }
    }

    QStringList someDomains()
    {
        return m_random.bounded(2) ? QStringList{ QStringLiteral("ssl-ca") } : badDomains();
    }

    // Names that must never reach the file system as paths.
    QStringList badDomains()
    {
        static const char *const names[] = {
            "..", ".", "/", "../../../../escape", "ssl-ca/../../escape", "/tmp/escape", ".keys",
            "ssl-ca/x", "", "\x01\x02", "ssl\x1f-ca", "wifi\x7f", "\x1b[2J", "ssl-ca\t", " ssl-ca",
        };
        QStringList domains;
        const int count = 1 + m_random.bounded(3);
        for (int i = 0; i < count; ++i)
            domains << QString::fromLatin1(names[m_random.bounded(int(sizeof names / sizeof names[0]))]);
        return domains;
    }

    QRandomGenerator m_random;
    QByteArray m_der;
    QByteArray m_item;
    QString m_keyId;
};

// The reply holds the method's failure value.
bool isFailureValue(const QDBusMessage &reply, Expect expect)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1)
        return false;
    const QVariant value = reply.arguments().first();
    switch (expect) {
    case Expect::False: return !value.toBool();
    case Expect::NonPositive: return value.toInt() <= 0;
    case Expect::ServersOnly: {
        // The trust records' certificates are always listed; no domain is.
        const QVariantMap listed = qdbus_cast<QVariantMap>(value);
        for (const QVariant &domain : listed)
            if (domain.toString() != QLatin1String("server"))
                return false;
        return listed.size() == 1;
    }
    case Expect::AnyString: return value.userType() == QMetaType::QString;
    }
    return false;
}

QString describe(const BadCall &call)
{
    QStringList parts;
    for (const QVariant &argument : call.arguments) {
        const QString text = argument.type() == QVariant::StringList ? argument.toStringList().join(QLatin1Char('|'))
                                                                       : argument.toString();
        parts << text.left(60).toHtmlEscaped();
    }
    return call.method + QLatin1Char('(') + parts.join(QStringLiteral(", ")) + QLatin1Char(')');
}

} // namespace

class TestFaultsArguments : public QObject
{
    Q_OBJECT

private slots:
    void badArguments();
};

void TestFaultsArguments::badArguments()
{
    Device device;
    QVERIFY2(device.isReady(), qPrintable(device.bus.errorString()));

    const auto made = CertificateFactory::makeSelfSigned(CertificateFactory::Options());
    QVERIFY(!made.isNull());
    const QByteArray der = CertificateFactory::toDer(made.certificate.data());
    CertificateItem item;
    QVERIFY(item.setCertificate(made.certificate.data()));
    QVERIFY(item.setPrivateKey(made.key.data()));
    item.authPreference = 0;
    item.purposes = QStringList{ QStringLiteral("ssl") };
    QByteArray image;
    QVERIFY(item.serialize(image));
    const QString keyId = keyIdText(made.certificate.data());

    // A record so that the database has something to lose.
    QVERIFY(device.addTrustRecord(QStringLiteral("kept.example.test"), serverDer(QStringLiteral("kept.example.test"))));
    device.closeDatabase();
    QVERIFY(device.startService());
    // The service's own files exist now; anything new must be in the store.
    const QSet<QString> before = device.entries();

    const quint32 seed = QRandomGenerator::global()->generate();
    qInfo("bad argument seed %u", seed);
    BadCallMaker maker(seed, der, image, keyId);

    QDBusConnection connection = device.bus.connection();
    // A question to the user stays open throughout, as when the bad calls
    // come while the service waits for the user: it holds the idle timer.
    // Without it, a call of many megabytes that reaches an idle service can
    // be lost to the two-second timeout: the bus library reads a message a
    // few kilobytes per event-loop turn, and the timer fires in between.
    const QByteArray asked = serverDer(QStringLiteral("asked.example.test"));
    QDBusPendingCall question = connection.asyncCall(
        methodCall(QStringLiteral("CheckCertificate"), { QString::fromLatin1(asked.toBase64()) }), 600000);
    ZelvoAutomationClient ui(device.bus.automationSocket());
    QVERIFY(ui.waitFor(QStringLiteral("serverCertificateInstallNewPage"), 30000));

    int sent = 0;
    while (sent < callCount) {
        std::vector<std::pair<BadCall, QDBusPendingCall>> batch;
        for (int i = 0; i < batchSize && sent < callCount; ++i, ++sent) {
            BadCall call = maker.next();
            // A few of every kind of argument are huge.
            if (sent % 2500 == 7)
                call.arguments.first() = call.arguments.first().type() == QVariant::StringList
                    ? QVariant(QStringList{ maker.huge() }) : QVariant(maker.huge());
            batch.emplace_back(call, connection.asyncCall(methodCall(call.method, call.arguments), 120000));
        }
        for (auto &pending : batch) {
            // Waiting with the event loop running, so that the service's log
            // is read as it comes (a full pipe would stop the service).
            QVERIFY(QTest::qWaitFor([&] { return pending.second.isFinished(); }, 180000));
            const QDBusMessage reply = pending.second.reply();
            if (!isFailureValue(reply, pending.first.expect)) {
                device.trustkeep.waitForFinished(3000);   // to hear how it ended
                const QStringList lines = device.trustkeep.logLines();
                for (const QString &line : lines.mid(qMax(0, lines.size() - 8)))
                    qWarning("service: %s", qPrintable(line.left(300)));
                qWarning("service running %d, exit code %d", device.trustkeep.isRunning(), device.trustkeep.exitCode());
            }
            QVERIFY2(isFailureValue(reply, pending.first.expect),
                     qPrintable(QStringLiteral("seed %1: %2 answered %3 %4")
                                    .arg(seed).arg(describe(pending.first))
                                    .arg(reply.errorMessage())
                                    .arg(reply.arguments().value(0).toString())));
        }
        QVERIFY2(device.trustkeep.isRunning(), qPrintable(device.trustkeep.logLines().join('\n').right(2000)));
    }

    // The user declines the question that was open all along.
    QVERIFY(ui.back());
    QVERIFY(QTest::qWaitFor([&] { return question.isFinished(); }, 60000));
    QCOMPARE(question.reply().arguments().value(0).toBool(), false);

    QCOMPARE(device.integrityCheck(), QStringLiteral("ok"));
    QCOMPARE(device.count(QStringLiteral("certificates")), 1);
    QCOMPARE(device.count(QStringLiteral("keys")), 0);
    const QString store = QDir(device.root.path()).relativeFilePath(device.storeFolder());
    const QString database = QDir(device.root.path()).relativeFilePath(device.databasePath());
    // Allowed: the store, the database with its journal, and the device
    // secret that the crypto library makes on first use (with their folders).
    const QStringList allowed{ store, database, QStringLiteral("var/lib/bastra-crypto") };
    for (const QString &entry : device.entries() - before) {
        bool inside = false;
        for (const QString &place : allowed)
            inside = inside || entry.startsWith(place) || place.startsWith(entry + QLatin1Char('/'));
        QVERIFY2(inside, qPrintable(QStringLiteral("written outside the store: ") + entry));
    }
    // Nothing left the device root either.
    QDir parent(device.root.path());
    QVERIFY(parent.cdUp());
    QVERIFY(!parent.exists(QStringLiteral("escape")));
    QVERIFY(!QFileInfo::exists(QStringLiteral("/tmp/escape")));
}

QTEST_GUILESS_MAIN(TestFaultsArguments)
#include "tst_faults_arguments.moc"
