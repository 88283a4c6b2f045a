// Bad arguments against the real trustkeep, the process-level home of them
// (the fuzz targets drive the same methods in process with mutated input,
// bit flips included): text that is no certificate, truncated certificates and
// serialized items, key ids that are none, domain names that try to leave
// the store, control characters and 16 MiB strings, for every method. Each
// call gets its method's failure value, the service lives through all of
// them, the database stays sound, and nothing appears outside the store and
// the database.

#include "processtestharness.h"
#include "testmaterial.h"

#include <QDir>
#include <QDirIterator>

namespace {

// What a call must answer.
enum class Expect {
    False,
    NonPositive,
    ServersOnly,
    AnyString
};

// Every file and folder under the device root, relative to it.
QSet<QString> entries(const QString &root)
{
    QSet<QString> found;
    const QDir top(root);
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found.insert(top.relativeFilePath(it.next()));
    return found;
}

QString base64(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toBase64());
}

bool isFailureValue(const QDBusMessage &reply, Expect expect)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1)
        return false;
    const QVariant value = reply.arguments().first();
    switch (expect) {
    case Expect::False:
        return !value.toBool();
    case Expect::NonPositive:
        return value.toInt() <= 0;
    case Expect::ServersOnly: {
        // The trust records' certificates are always listed; no domain is.
        const QVariantMap listed = qdbus_cast<QVariantMap>(value);
        for (const QVariant &domain : listed) {
            if (domain.toString() != QLatin1String("server"))
                return false;
        }
        return listed.size() == 1;
    }
    case Expect::AnyString:
        return value.userType() == QMetaType::QString;
    }
    return false;
}

} // namespace

class TestFaultsArguments : public QObject
{
    Q_OBJECT

private slots:
    void badArguments()
    {
        READY_HARNESS(h);
        const KeyMaterial material = KeyMaterial::make(QStringLiteral("Test Certificate"));
        const QByteArray item = QByteArray::fromBase64(material.itemText(0, { "ssl" }).toLatin1());
        // A record so that the database has something to lose.
        QVERIFY(h.database().addTrustRecord(QStringLiteral("kept.example.test"), 1, QVariant(),
                                            ServerCertificate::make(QStringLiteral("kept.example.test")).der)
                > 0);
        h.database().close();
        const QSet<QString> before = entries(h.root().path());

        const QString huge(16 * 1024 * 1024, QLatin1Char('A'));
        // clang-format off
        QStringList certificates{ QString(), QStringLiteral("@@@@"), QStringLiteral("QUJD="), base64("hello, world"),
                                  QString::fromUtf8("\xc3\xa9t\xc3\xa9"), QStringLiteral("\x01\x02\x1b[2J"), huge,
                                  base64(material.der().left(material.der().size() / 2)) };
        QStringList items = certificates;
        items << base64(item.left(item.size() / 2)) << base64(item.left(7));
        const QStringList keyIds{ QString(), QStringLiteral("zz"), QString(39, 'a'), QString(41, 'a'),
                                  QStringLiteral("../../etc/passwd"), huge };
        const QList<QStringList> domainLists{
            { ".." }, { "." }, { "/" }, { "../../../../escape" }, { "ssl-ca/../../escape" }, { "/tmp/escape" },
            { ".keys" }, { "ssl-ca/x" }, { "" }, { "\x01\x02" }, { "ssl\x1f-ca", "wifi\x7f" },
            { "ssl-ca\t", " ssl-ca" }, { huge } };
        // clang-format on

        struct Call {
            QString method;
            QVariantList arguments;
            Expect expect;
        };
        QList<Call> calls;
        for (const QString &text : certificates) {
            calls << Call{ "CheckCertificate", { text }, Expect::False }
                  << Call{ "ShowCertificateInfo", { text }, Expect::False };
        }
        for (const QString &text : items)
            calls << Call{ "InstallCertificateToDomains", { text, QStringList{ "ssl-ca" } }, Expect::False };
        for (const QString &id : keyIds) {
            calls << Call{ "DeleteCertificateFromDomains", { id, QStringList{ "ssl-ca" } }, Expect::False }
                  << Call{ "GetPrivateKeyData", { id }, Expect::NonPositive }
                  << Call{ "ChangePrivateKeyPassword", { id }, Expect::False }
                  << Call{ "GetPrivateKey", { id, id.left(100) }, Expect::AnyString };
        }
        for (const QStringList &domains : domainLists) {
            calls << Call{ "InstallCertificateToDomains", { material.derText(), domains }, Expect::False }
                  << Call{ "DeleteCertificateFromDomains", { material.keyId, domains }, Expect::False }
                  << Call{ "LoadCertificatesFromDomains", { domains }, Expect::ServersOnly };
        }

        // A question stays open throughout, as when bad calls come while the
        // service waits for the user: it holds the idle timer, which could
        // otherwise end the service while a call of many megabytes arrives.
        TrustkeepClient &service = h.service();
        QDBusPendingReply<bool> question =
            service.CheckCertificate(ServerCertificate::make("asked.example.test").base64());
        QVERIFY(h.ui().waitFor(QStringLiteral("serverCertificateInstallNewPage"), 30000));
        TestProgram &trustkeep = *h.serviceProgram();
        for (const Call &call : calls) {
            // Typed as the interface says, with values no client should send.
            QDBusPendingCall pending = service.asyncCallWithArgumentList(call.method, call.arguments);
            // Waiting with the event loop running, so that the service's log is
            // read as it comes (a full pipe would stop the service).
            QVERIFY(h.finish(QDBusPendingReply<>(pending), 180000));
            QVERIFY2(isFailureValue(pending.reply(), call.expect),
                     qPrintable(QStringLiteral("%1(%2) answered %3\n%4")
                                    .arg(call.method, call.arguments.first().toString().left(60).toHtmlEscaped(),
                                         pending.reply().errorMessage(), trustkeep.logLines().join('\n').right(2000))));
        }
        QVERIFY(trustkeep.isRunning());
        QVERIFY(h.ui().back());
        QVERIFY(h.answeredFalse(question, 60000));

        QCOMPARE(h.database().integrityCheck(), QStringLiteral("ok"));
        QCOMPARE(h.database().count(QStringLiteral("certificates")), 1);
        QCOMPARE(h.database().count(QStringLiteral("keys")), 0);
        // Allowed: the store, the database with its journal, and the device
        // secret that the crypto library makes on first use (with their folders).
        const QStringList allowed{ "home/user/.bastra-certs", "home/user/private/trustkeep.db",
                                   "var/lib/bastra-crypto" };
        for (const QString &entry : entries(h.root().path()) - before) {
            bool inside = false;
            for (const QString &place : allowed)
                inside = inside || entry.startsWith(place) || place.startsWith(entry + QLatin1Char('/'));
            QVERIFY2(inside, qPrintable(QStringLiteral("written outside the store: ") + entry));
        }
        QDir parent(h.root().path());
        QVERIFY(parent.cdUp());
        QVERIFY(!parent.exists(QStringLiteral("escape")));
        QVERIFY(!QFileInfo::exists(QStringLiteral("/tmp/escape")));
    }
};

QTEST_GUILESS_MAIN(TestFaultsArguments)

#include "tst_faults_arguments.moc"
