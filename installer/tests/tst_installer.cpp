// The installer mode of the real trustkeep on an emulated device: the pages
// it shows, the screening questions, and what ends up in the certificate
// store and the trust database.

#include "certificatefactory.h"
#include "installerrun.h"
#include "privatebus.h"
#include "temporarydeviceroot.h"

#include <bastra_certman.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QLocale>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include <openssl/asn1.h>

namespace {

const char sslAdd[] = "bastra-certman-common-ca::CertCASSLAdd";
const char wifiAdd[] = "bastra-certman-common-ca::CertCAWifiAdd";

using Issued = CertificateFactory::Issued;

Issued certificate(const QString &name, const QDateTime &notBefore = QDateTime(),
                   const QDateTime &notAfter = QDateTime())
{
    CertificateFactory::Options options;
    options.commonName = name;
    options.notBefore = notBefore;
    options.notAfter = notAfter;
    return CertificateFactory::makeSelfSigned(options);
}

Issued expired(const QString &name)
{
    return certificate(name, CertificateFactory::daysFromNow(-30), CertificateFactory::daysFromNow(-1));
}

Issued notYetValid(const QString &name)
{
    return certificate(name, QDateTime(QDate(2030, 1, 1), QTime(12, 0), Qt::UTC), QDateTime(QDate(2031, 1, 1), QTime(12, 0), Qt::UTC));
}

Issued negativeSerial(const QString &name)
{
    CertificateFactory::Options options;
    options.commonName = name;
    options.serial = -4242;
    return CertificateFactory::makeSelfSigned(options);
}

// Validity times that no clock can be compared with; signed again so that
// the file carries them.
Issued uncomparableTimes(const QString &name)
{
    Issued issued = certificate(name);
    if (issued.isNull())
        return issued;
    static const char garbage[] = "not-a-time";
    ASN1_STRING_set(X509_getm_notBefore(issued.certificate.data()), garbage, int(sizeof garbage - 1));
    ASN1_STRING_set(X509_getm_notAfter(issued.certificate.data()), garbage, int(sizeof garbage - 1));
    if (X509_sign(issued.certificate.data(), issued.key.data(), EVP_sha256()) <= 0)
        return Issued();
    return issued;
}

QByteArray pem(const QList<Issued> &certificates, bool withKeys = false)
{
    QByteArray text;
    for (const Issued &issued : certificates) {
        text += CertificateFactory::toPem(issued.certificate.data());
        if (withKeys)
            text += CertificateFactory::keyToPem(issued.key.data());
    }
    return text;
}

QString keyIdText(X509 *cert)
{
    bastra_key_id id;
    char text[BASTRA_KEY_ID_TEXT_SIZE];
    if (bastra_certman_get_cert_key_id(cert, &id) != 0 || bastra_certman_key_id_to_str(&id, text, sizeof text) != 0)
        return QString();
    return QString::fromLatin1(text);
}

// Whether a private domain of the emulated device holds the certificate.
bool domainHolds(const QString &domain, X509 *cert)
{
    bastra_key_id id;
    if (bastra_certman_get_cert_key_id(cert, &id) != 0)
        return false;
    bastra_domain handle = nullptr;
    if (bastra_certman_open_domain(domain.toLatin1().constData(), BASTRA_DOMAIN_PRIVATE, &handle) != 0)
        return false;
    X509 *loaded = nullptr;
    const bool found = bastra_certman_load_cert(handle, &id, &loaded) == 0;
    X509_free(loaded);
    bastra_certman_close_domain(handle);
    return found;
}

QStringList domainsHolding(X509 *cert)
{
    QStringList domains;
    for (const char *prefix : { "ssl", "wifi", "smime", "codesign" }) {
        for (const char *suffix : { "-ca", "-user" }) {
            const QString domain = QLatin1String(prefix) + QLatin1String(suffix);
            if (domainHolds(domain, cert))
                domains << domain;
        }
    }
    return domains;
}

// One row of the keys table, read on a connection of the test's own.
struct KeyRow {
    bool present = false;
    int preference = -1;
    QString cn;
    QString domains;
    QByteArray der;
};

QList<QPair<QString, KeyRow>> keyRows(const TemporaryDeviceRoot &root)
{
    QList<QPair<QString, KeyRow>> rows;
    const QString connection = QStringLiteral("keys-%1").arg(quintptr(&rows));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(root.resolve(QStringLiteral("/home/user/private/trustkeep.db")));
        if (db.open()) {
            QSqlQuery query(db);
            query.exec(QStringLiteral("SELECT id, auth_preference, cn, domains, der_dump FROM keys ORDER BY id"));
            while (query.next()) {
                KeyRow row;
                row.present = true;
                row.preference = query.value(1).toInt();
                row.cn = query.value(2).toString();
                row.domains = query.value(3).toString();
                row.der = query.value(4).toByteArray();
                rows << qMakePair(query.value(0).toString(), row);
            }
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return rows;
}

KeyRow keyRow(const TemporaryDeviceRoot &root, const QString &id)
{
    for (const auto &row : keyRows(root)) {
        if (row.first == id)
            return row.second;
    }
    return KeyRow();
}

QByteArray privateKeyDer(EVP_PKEY *key)
{
    unsigned char *der = nullptr;
    const int length = i2d_PrivateKey(key, &der);
    const QByteArray bytes = length > 0 ? QByteArray(reinterpret_cast<const char *>(der), length) : QByteArray();
    OPENSSL_free(der);
    return bytes;
}

bool waitUntil(const std::function<bool()> &condition, int timeoutMs = 10000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    return true;
}

} // namespace

class TestInstaller : public QObject
{
    Q_OBJECT

private:
    // Writes a file into the emulated home.
    static void put(const TemporaryDeviceRoot &root, const QString &name, const QByteArray &content)
    {
        QVERIFY2(CertificateFactory::writeFile(root.home() + QLatin1Char('/') + name, content), qPrintable(name));
    }

    // Picks rows of the open certificate page in the given order and asks
    // for the installation.
    static void pickAndInstall(InstallerRun &run, const QList<int> &rows)
    {
        QVERIFY(run.ui().waitFor(QStringLiteral("installButton"), 10000));
        for (int row : rows)
            QVERIFY2(run.ui().click(QStringLiteral("pick_%1").arg(row)), qPrintable(run.ui().lastError()));
        QVERIFY(run.ui().click(QStringLiteral("installButton")));
    }

    // Leaves only the given purposes switched on in the settings page.
    static void choosePurposes(InstallerRun &run, const QStringList &wanted)
    {
        QVERIFY(run.ui().waitFor(QStringLiteral("certificateSettingsWidget"), 10000));
        for (const char *purpose : { "ssl", "wifi", "smime", "codesign" }) {
            const QString name = QStringLiteral("purpose_") + QLatin1String(purpose);
            const bool on = run.widget(name).value(QStringLiteral("checked")).toBool();
            if (on != wanted.contains(QLatin1String(purpose)))
                QVERIFY(run.ui().click(name));
        }
        QVERIFY(waitUntil([&]() {
            for (const char *purpose : { "ssl", "wifi", "smime", "codesign" }) {
                const bool on = run.widget(QStringLiteral("purpose_") + QLatin1String(purpose))
                                    .value(QStringLiteral("checked")).toBool();
                if (on != wanted.contains(QLatin1String(purpose)))
                    return false;
            }
            return true;
        }));
    }

    // Waits for a screening question and returns its entry.
    static QJsonObject question(InstallerRun &run, const QString &objectName)
    {
        return run.waitForWidget(objectName, 10000);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(PrivateBus::trustkeepBinary()), "trustkeep is not built");
    }

    // No certificate file anywhere the installer looks: the header, the
    // divider and the empty text; the back button ends the program with 0.
    void emptyOrUnreadableHomeShowsTheEmptyText_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::newRow("empty home") << "";
        QTest::newRow("only other files") << "other";
        QTest::newRow("a file where the folder should be") << "file";
        QTest::newRow("a missing folder") << "missing";
    }

    void emptyOrUnreadableHomeShowsTheEmptyText()
    {
        QFETCH(QString, layout);
        TemporaryDeviceRoot root;
        QVERIFY(root.isValid());
        QStringList arguments;
        if (layout == QLatin1String("other")) {
            const Issued good = certificate(QStringLiteral("Cut Short"));
            const QByteArray der = CertificateFactory::toDer(good.certificate.data());
            put(root, QStringLiteral("notes.txt"), pem({ good }));   // not a certificate name
            put(root, QStringLiteral("junk.pem"), "-----BEGIN CERTIFICATE-----\nnot base64 at all\n");
            put(root, QStringLiteral("truncated.der"), der.left(der.size() / 2));
            put(root, QStringLiteral("random.crt"), QByteArray(4096, '\x30'));
            put(root, QStringLiteral("empty.p12"), QByteArray());
        } else if (layout == QLatin1String("file")) {
            put(root, QStringLiteral("folder"), "a file, not a folder");
            arguments << root.home() + QStringLiteral("/folder/");
        } else if (layout == QLatin1String("missing")) {
            arguments << root.home() + QStringLiteral("/nowhere");
        }

        InstallerRun run(root);
        QVERIFY(run.start(arguments));
        const QJsonObject empty = run.waitForWidget(QStringLiteral("EmptyLabel"));
        QCOMPARE(empty.value(QStringLiteral("text")).toString(), QStringLiteral("No certificates"));
        QCOMPARE(empty.value(QStringLiteral("styleName")).toString(), QStringLiteral("CommonEmptyStateTitleInverted"));

        const QJsonObject widgets = run.ui().widgets();
        QStringList styles;
        QString header;
        for (const QJsonValue &value : widgets.value(QStringLiteral("widgets")).toArray()) {
            const QJsonObject w = value.toObject();
            styles << w.value(QStringLiteral("styleName")).toString();
            if (w.value(QStringLiteral("styleName")).toString() == QLatin1String("CommonHeaderInverted"))
                header = w.value(QStringLiteral("text")).toString();
        }
        QCOMPARE(header, QStringLiteral("Add certificates"));
        QCOMPARE(styles.count(QStringLiteral("CommonHeaderDividerInverted")), 1);
        QVERIFY(!ZelvoAutomationClient::hasWidget(widgets, QStringLiteral("fileListSpinner")));
        QCOMPARE(run.pageCount(), 1);
        QCOMPARE(widgets.value(QStringLiteral("page")).toObject().value(QStringLiteral("styleName")).toString(),
                 QStringLiteral("CommonApplicationPageInverted"));

        QVERIFY(run.ui().back());
        QCOMPARE(run.exitStatus(), 0);
    }

    // Exactly one file: its certificate page opens without a tap; cancel
    // ends the program once the page has gone, and nothing is installed.
    void singleFileOpensAtOnceAndCancelEnds()
    {
        TemporaryDeviceRoot root;
        const Issued ca = CertificateFactory::makeCa(QStringLiteral("Lonely Root CA"));
        put(root, QStringLiteral("lonely.pem"), pem({ ca }));

        InstallerRun run(root);
        QVERIFY(run.start());
        QVERIFY(run.ui().waitFor(QStringLiteral("certificateFileWidget"), 10000));
        QCOMPARE(run.pageCount(), 2);
        QVERIFY(run.ui().click(QStringLiteral("cancelButton")));
        QCOMPARE(run.exitStatus(), 0);
        QCOMPARE(domainsHolding(ca.certificate.data()), QStringList());
    }

    // Two files: the list stays until a file is tapped; details open over
    // the certificate page; after installing from one file the user is back
    // on the list and the program goes on until the list's back button.
    void twoFilesReturnToTheListAfterInstalling()
    {
        TemporaryDeviceRoot root;
        const Issued first = CertificateFactory::makeCa(QStringLiteral("First Root CA"));
        const Issued second = CertificateFactory::makeCa(QStringLiteral("Second Root CA"));
        put(root, QStringLiteral("first.pem"), pem({ first }));
        put(root, QStringLiteral("certs/second.crt"), CertificateFactory::toDer(second.certificate.data()));

        InstallerRun run(root);
        QVERIFY(run.start());
        QVERIFY(run.ui().waitForText(QStringLiteral("second.crt"), 10000));
        QVERIFY(run.ui().waitForText(QStringLiteral("first.pem"), 10000));
        QCOMPARE(run.pageCount(), 1);

        QVERIFY(run.ui().clickText(QStringLiteral("first.pem")));
        QVERIFY(run.ui().waitFor(QStringLiteral("details_0"), 10000));
        QVERIFY(run.ui().click(QStringLiteral("details_0")));
        QVERIFY(run.ui().waitFor(QStringLiteral("certificateDetailsWidget"), 10000));
        QCOMPARE(run.pageCount(), 3);
        QVERIFY(run.ui().back());
        QVERIFY(run.waitForPages(2));

        pickAndInstall(run, { 0 });
        QVERIFY(run.ui().waitFor(QStringLiteral("certificateSettingsWidget"), 10000));
        // A certificate without a key is asked for its purposes only.
        QVERIFY(!run.visibleNames().contains(QStringLiteral("preferenceChooser")));
        QVERIFY(run.ui().back());
        QVERIFY(run.waitForPages(1));
        QVERIFY(run.process().isRunning());
        QCOMPARE(domainsHolding(first.certificate.data()),
                 (QStringList{ "ssl-ca", "wifi-ca", "smime-ca", "codesign-ca" }));
        QCOMPARE(domainsHolding(second.certificate.data()), QStringList());

        QVERIFY(run.ui().back());
        QCOMPARE(run.exitStatus(), 0);
    }

    // An expired certificate answered No: no settings page; the certificate
    // page closes as on cancel, and with one file the program ends.
    void expiredAnsweredNoEndsWithoutSettings()
    {
        TemporaryDeviceRoot root;
        const Issued old = expired(QStringLiteral("Old Timer"));
        put(root, QStringLiteral("old.pem"), pem({ old }));

        InstallerRun run(root);
        QVERIFY(run.start());
        pickAndInstall(run, { 0 });
        const QJsonObject box = question(run, QStringLiteral("certificateExpiredDialog"));
        QCOMPARE(box.value(QStringLiteral("title")).toString(), QStringLiteral("Expired certificate"));
        QCOMPARE(box.value(QStringLiteral("text")).toString(),
                 QStringLiteral("The certificate Old Timer has expired. Install it anyway?"));
        QVERIFY(run.visibleNames().contains(QStringLiteral("dialogButtonNo")));
        QVERIFY(run.ui().answer(QStringLiteral("No")));
        QCOMPARE(run.exitStatus(), 0);
        QCOMPARE(domainsHolding(old.certificate.data()), QStringList());
    }

    // A CA chosen for web sites and wireless networks lands in ssl-ca and
    // wifi-ca, each opened under its purpose's token for adding.
    void caGoesToTheChosenCaDomainsUnderTheirTokens()
    {
        TemporaryDeviceRoot root;
        const Issued ca = CertificateFactory::makeCa(QStringLiteral("Network Root CA"));
        put(root, QStringLiteral("network-ca.pem"), pem({ ca }));

        InstallerRun run(root);
        run.recordStoreOpenings();
        QVERIFY(run.start());
        pickAndInstall(run, { 0 });
        choosePurposes(run, { "ssl", "wifi" });
        QVERIFY(run.ui().back());
        QCOMPARE(run.exitStatus(), 0);

        QCOMPARE(domainsHolding(ca.certificate.data()), (QStringList{ "ssl-ca", "wifi-ca" }));
        QCOMPARE(run.storeOpenings(), (QStringList{ QStringLiteral("open ssl-ca ") + sslAdd,
                                                    QStringLiteral("open wifi-ca ") + wifiAdd }));
        QVERIFY(keyRows(root).isEmpty());
    }

    // A domain that cannot take the certificate, and one that already holds
    // it, are logged and passed over; the other domains are served.
    void storeFailuresAreLoggedAndPassedOver()
    {
        TemporaryDeviceRoot root;
        const Issued ca = CertificateFactory::makeCa(QStringLiteral("Stubborn Root CA"));
        put(root, QStringLiteral("stubborn.pem"), pem({ ca }));
        QVERIFY(CertificateFactory::writeFile(root.privateDomainFolder(QStringLiteral("ssl-ca")), "not a folder"));
        bastra_domain wifi = nullptr;
        QCOMPARE(bastra_certman_open_domain("wifi-ca", BASTRA_DOMAIN_PRIVATE, &wifi), 0);
        QCOMPARE(bastra_certman_add_cert(wifi, ca.certificate.data()), 0);
        bastra_certman_close_domain(wifi);

        InstallerRun run(root);
        QVERIFY(run.start());
        pickAndInstall(run, { 0 });
        choosePurposes(run, { "ssl", "wifi", "smime" });
        QVERIFY(run.ui().back());
        QCOMPARE(run.exitStatus(), 0);

        const QStringList log = run.process().logLines();
        // A file where the ssl-ca folder belongs (ENOTDIR), and a certificate
        // already present in wifi-ca (EEXIST).
        for (const QString &expected : { QStringLiteral("failed adding certificate to 'ssl-ca' (20)"),
                                         QStringLiteral("failed adding certificate to 'wifi-ca' (17)") }) {
            const QRegularExpression line(QStringLiteral("^certificateinstaller\\(\\d+\\): ERROR commitSettings: ")
                                          + QRegularExpression::escape(expected) + QLatin1Char('$'));
            QVERIFY2(!log.filter(line).isEmpty(), qPrintable(log.join(QLatin1Char('\n'))));
        }
        QCOMPARE(domainsHolding(ca.certificate.data()), (QStringList{ "wifi-ca", "smime-ca" }));
    }

    // A user certificate with its key (PKCS#12), preference "no action",
    // purposes wifi and smime: the key record serves both user domains and
    // holds the key; the certificate is in both domains.
    void userCertificateWithKeyAndPreferenceZero()
    {
        TemporaryDeviceRoot root;
        const Issued ca = CertificateFactory::makeCa(QStringLiteral("Issuing CA"));
        CertificateFactory::Options options;
        options.commonName = QStringLiteral("Road Warrior");
        const Issued user = CertificateFactory::makeIssued(options, ca);
        put(root, QStringLiteral("warrior.p12"), CertificateFactory::toPkcs12(user, QByteArray()));

        InstallerRun run(root);
        QVERIFY(run.start());
        pickAndInstall(run, { 0 });
        const QJsonObject chooser = run.waitForWidget(QStringLiteral("preferenceChooser"));
        QCOMPARE(chooser.value(QStringLiteral("currentIndex")).toInt(), 2);
        QVERIFY(run.ui().click(QStringLiteral("preferenceChooser")));
        QVERIFY(run.ui().waitFor(QStringLiteral("comboEntry0"), 10000));
        QVERIFY(run.ui().click(QStringLiteral("comboEntry0")));
        QVERIFY(waitUntil([&]() {
            return run.widget(QStringLiteral("preferenceChooser")).value(QStringLiteral("currentIndex")).toInt() == 0;
        }));
        choosePurposes(run, { "wifi", "smime" });
        QVERIFY(run.ui().back());
        QCOMPARE(run.exitStatus(), 0);

        const KeyRow row = keyRow(root, keyIdText(user.certificate.data()));
        QVERIFY(row.present);
        QCOMPARE(row.preference, 0);
        QCOMPARE(row.cn, QStringLiteral("Road Warrior"));
        QCOMPARE(row.domains, QStringLiteral("wifi-user, smime-user"));
        QCOMPARE(row.der, privateKeyDer(user.key.data()));
        QCOMPARE(domainsHolding(user.certificate.data()), (QStringList{ "wifi-user", "smime-user" }));
    }

    // Two keys; the first is stored under a new password, the password
    // dialog of the second is cancelled: the first key stays stored, and no
    // certificate of either is added anywhere.
    void keyThatCannotBeStoredStopsTheWholeCommit()
    {
        TemporaryDeviceRoot root;
        const Issued alpha = certificate(QStringLiteral("Alpha Key Holder"));
        const Issued beta = certificate(QStringLiteral("Beta Key Holder"));
        put(root, QStringLiteral("pair.pem"), pem({ alpha, beta }, true));

        InstallerRun run(root);
        QVERIFY(run.start());
        pickAndInstall(run, { 0, 1 });
        QCOMPARE(run.waitForWidget(QStringLiteral("preferenceChooser")).value(QStringLiteral("currentIndex")).toInt(), 2);
        choosePurposes(run, { "wifi" });
        // A real tap on the window's back button: the password question it
        // leads to must take taps of its own.
        QVERIFY(run.ui().click(QStringLiteral("zelvoBackButton")));

        QVERIFY(run.ui().waitFor(QStringLiteral("newPasswordField"), 10000));
        QVERIFY(run.ui().type(QStringLiteral("newPasswordField"), QStringLiteral("first secret")));
        QVERIFY(run.ui().type(QStringLiteral("confirmPasswordField"), QStringLiteral("first secret")));
        QVERIFY(run.ui().click(QStringLiteral("acceptButton")));
        QVERIFY(waitUntil([&]() { return keyRows(root).size() == 1; }));
        QVERIFY(run.ui().waitFor(QStringLiteral("newPasswordField"), 10000));
        QVERIFY(run.ui().click(QStringLiteral("cancelButton")));
        QCOMPARE(run.exitStatus(), 0);

        const auto rows = keyRows(root);
        QCOMPARE(rows.size(), 1);
        const QString storedId = rows.first().first;
        const Issued &stored = storedId == keyIdText(alpha.certificate.data()) ? alpha : beta;
        QCOMPARE(storedId, keyIdText(stored.certificate.data()));
        QCOMPARE(rows.first().second.preference, 2);
        QVERIFY(rows.first().second.der.isEmpty());
        QCOMPARE(rows.first().second.domains, QStringLiteral("wifi-user"));
        bastra_key_id id;
        QCOMPARE(bastra_certman_str_to_key_id(storedId.toLatin1().constData(), &id), 0);
        EVP_PKEY *key = nullptr;
        QCOMPARE(bastra_certman_retrieve_key(&id, &key, "first secret"), 0);
        EVP_PKEY_free(key);

        QCOMPARE(domainsHolding(alpha.certificate.data()), QStringList());
        QCOMPARE(domainsHolding(beta.certificate.data()), QStringList());
    }

    // Times that cannot be compared with the clock are no reason to ask.
    void uncomparableTimesAreAcceptedWithoutAQuestion()
    {
        TemporaryDeviceRoot root;
        const Issued odd = uncomparableTimes(QStringLiteral("Timeless"));
        QVERIFY(!odd.isNull());
        QCOMPARE(X509_cmp_current_time(X509_get0_notAfter(odd.certificate.data())), 0);
        put(root, QStringLiteral("timeless.pem"), pem({ odd }));

        InstallerRun run(root);
        QVERIFY(run.start());
        pickAndInstall(run, { 0 });
        // A question would stand in front of the settings page until answered.
        QVERIFY(run.ui().waitFor(QStringLiteral("certificateSettingsWidget"), 10000));
        choosePurposes(run, { "smime" });
        QVERIFY(run.ui().back());
        QCOMPARE(run.exitStatus(), 0);
        QCOMPARE(domainsHolding(odd.certificate.data()), QStringList{ "smime-user" });
    }

    // The questions come in the order the certificates were picked, and only
    // Yes takes a certificate; one that needs no question is taken as well.
    void screeningAsksInPickedOrder()
    {
        TemporaryDeviceRoot root;
        const Issued early = expired(QStringLiteral("Early Expired"));
        const Issued fine = certificate(QStringLiteral("Fine Today"));
        const Issued future = notYetValid(QStringLiteral("Future Start"));
        const Issued late = expired(QStringLiteral("Late Expired"));
        put(root, QStringLiteral("mixed.pem"), pem({ early, fine, future, late }));

        InstallerRun run(root);
        QVERIFY(run.start());
        QVERIFY(run.ui().waitFor(QStringLiteral("pick_3"), 10000));
        // Rows follow the file.
        for (int row = 0; row < 4; ++row)
            QVERIFY(run.visibleNames().contains(QStringLiteral("details_%1").arg(row)));
        pickAndInstall(run, { 2, 0, 3, 1 });

        QJsonObject box = question(run, QStringLiteral("certificateInvalidDialog"));
        QVERIFY2(box.value(QStringLiteral("text")).toString().contains(QStringLiteral("Future Start")),
                 qPrintable(box.value(QStringLiteral("text")).toString()));
        QVERIFY(run.ui().answer(QStringLiteral("Yes")));
        QVERIFY(waitUntil([&]() {
            return run.widget(QStringLiteral("certificateExpiredDialog")).value(QStringLiteral("text")).toString()
                .contains(QStringLiteral("Early Expired"));
        }));
        QVERIFY(run.ui().answer(QStringLiteral("No")));
        QVERIFY(waitUntil([&]() {
            return run.widget(QStringLiteral("certificateExpiredDialog")).value(QStringLiteral("text")).toString()
                .contains(QStringLiteral("Late Expired"));
        }));
        QVERIFY(run.ui().answer(QStringLiteral("Yes")));

        choosePurposes(run, { "ssl" });
        QVERIFY(run.ui().back());
        QCOMPARE(run.exitStatus(), 0);
        QCOMPARE(domainsHolding(future.certificate.data()), QStringList{ "ssl-user" });
        QCOMPARE(domainsHolding(early.certificate.data()), QStringList());
        QCOMPARE(domainsHolding(late.certificate.data()), QStringList{ "ssl-user" });
        QCOMPARE(domainsHolding(fine.certificate.data()), QStringList{ "ssl-user" });
    }

    // A corrupt certificate (negative serial number) after answered ones:
    // its message, then nothing: no settings page, the certificate page
    // stays for another pick, and the earlier Yes counts for nothing.
    void corruptCertificateDiscardsEarlierAnswers()
    {
        TemporaryDeviceRoot root;
        const Issued fine = certificate(QStringLiteral("Fine Today"));
        const Issued old = expired(QStringLiteral("Old But Wanted"));
        const Issued broken = negativeSerial(QStringLiteral("Broken Serial"));
        put(root, QStringLiteral("three.pem"), pem({ fine, old, broken }));

        InstallerRun run(root);
        QVERIFY(run.start());
        pickAndInstall(run, { 0, 1, 2 });
        QVERIFY(!question(run, QStringLiteral("certificateExpiredDialog")).isEmpty());
        QVERIFY(run.ui().answer(QStringLiteral("Yes")));
        const QJsonObject box = question(run, QStringLiteral("certificateCorruptedDialog"));
        QCOMPARE(box.value(QStringLiteral("title")).toString(), QStringLiteral("Damaged certificate"));
        QCOMPARE(box.value(QStringLiteral("text")).toString(),
                 QStringLiteral("The certificate Broken Serial is damaged and cannot be installed."));
        QVERIFY(!run.visibleNames().contains(QStringLiteral("dialogButtonYes")));
        QVERIFY(run.ui().answer(QStringLiteral("Ok")));

        QVERIFY(waitUntil([&]() { return !run.visibleNames().contains(QStringLiteral("certificateCorruptedDialog")); }));
        QVERIFY(run.visibleNames().contains(QStringLiteral("installButton")));
        QVERIFY(!run.visibleNames().contains(QStringLiteral("certificateSettingsWidget")));
        QCOMPARE(run.pageCount(), 2);
        QVERIFY(run.process().isRunning());

        QVERIFY(run.ui().click(QStringLiteral("cancelButton")));
        QCOMPARE(run.exitStatus(), 0);
        for (const Issued *issued : { &fine, &old, &broken })
            QCOMPARE(domainsHolding(issued->certificate.data()), QStringList());
    }

    // The start of a validity period that has not begun shows as the
    // locale's short date; a name that holds a placeholder stays as it is.
    void notYetValidShowsTheShortStartDate_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("name");
        QTest::newRow("en_GB") << "en_GB" << "Future Cert";
        QTest::newRow("en_US") << "en_US" << "Future Cert";
        QTest::newRow("de_DE, placeholder in the name") << "de_DE" << "Percent %2 and %1";
    }

    void notYetValidShowsTheShortStartDate()
    {
        QFETCH(QString, locale);
        QFETCH(QString, name);
        TemporaryDeviceRoot root;
        const Issued future = notYetValid(name);
        put(root, QStringLiteral("future.pem"), pem({ future }));

        InstallerRun run(root);
        run.setEnvironment(QStringLiteral("LC_ALL"), locale + QStringLiteral(".UTF-8"));
        run.setEnvironment(QStringLiteral("LANG"), locale + QStringLiteral(".UTF-8"));
        QVERIFY(run.start());
        pickAndInstall(run, { 0 });
        const QJsonObject box = question(run, QStringLiteral("certificateInvalidDialog"));
        QCOMPARE(box.value(QStringLiteral("title")).toString(), QStringLiteral("Certificate not yet valid"));
        const QString day = QLocale(locale).toString(QDate(2030, 1, 1), QLocale::ShortFormat);
        QCOMPARE(box.value(QStringLiteral("text")).toString(),
                 QStringLiteral("The certificate %1 is not valid before %2. Install it anyway?").arg(name, day));
        QVERIFY(run.ui().answer(QStringLiteral("Yes")));
        QVERIFY(run.ui().waitFor(QStringLiteral("certificateSettingsWidget"), 10000));
        QVERIFY(run.ui().back());
        QCOMPARE(run.exitStatus(), 0);
        QCOMPARE(domainsHolding(future.certificate.data()).size(), 4);
    }

    // Damaged and protected files among good ones: what holds a certificate
    // is listed; a protected file whose password is not given opens
    // nothing; a negative serial number brings the corrupt message.
    void badFilesNeverStopTheInstaller()
    {
        TemporaryDeviceRoot root;
        const Issued good = certificate(QStringLiteral("Good One"));
        const Issued locked = certificate(QStringLiteral("Locked One"));
        const Issued broken = negativeSerial(QStringLiteral("Negative One"));
        const QByteArray der = CertificateFactory::toDer(good.certificate.data());
        put(root, QStringLiteral("good.pem"), pem({ good }));
        put(root, QStringLiteral("locked.p12"), CertificateFactory::toPkcs12(locked, "right password"));
        put(root, QStringLiteral("negative.pem"), pem({ broken }));
        put(root, QStringLiteral("junk.pem"), "-----BEGIN CERTIFICATE-----\nAAAA\n-----END CERTIFICATE-----\n");
        put(root, QStringLiteral("truncated.der"), der.left(der.size() - 20));
        put(root, QStringLiteral("garbage.p12"), QByteArray(3000, '\xff'));

        InstallerRun run(root);
        QVERIFY(run.start());
        for (const char *listed : { "good.pem", "locked.p12", "negative.pem" })
            QVERIFY2(run.ui().waitForText(QLatin1String(listed), 10000), listed);
        QStringList texts;
        for (const QJsonValue &value : run.ui().widgets().value(QStringLiteral("widgets")).toArray())
            texts << value.toObject().value(QStringLiteral("text")).toString();
        for (const char *passedOver : { "junk.pem", "truncated.der", "garbage.p12" })
            QVERIFY2(!texts.contains(QLatin1String(passedOver)), passedOver);

        // A wrong password, then no password at all: the list stays.
        QVERIFY(run.ui().clickText(QStringLiteral("locked.p12")));
        QVERIFY(run.ui().waitFor(QStringLiteral("currentPasswordField"), 10000));
        QVERIFY(run.ui().type(QStringLiteral("currentPasswordField"), QStringLiteral("wrong password")));
        QVERIFY(run.ui().click(QStringLiteral("acceptButton")));
        QVERIFY(run.ui().waitFor(QStringLiteral("passwordNotice"), 10000));
        QVERIFY(run.ui().click(QStringLiteral("cancelButton")));
        QVERIFY(waitUntil([&]() { return !run.visibleNames().contains(QStringLiteral("currentPasswordField")); }));
        QCOMPARE(run.pageCount(), 1);

        QVERIFY(run.ui().clickText(QStringLiteral("negative.pem")));
        pickAndInstall(run, { 0 });
        QVERIFY(!question(run, QStringLiteral("certificateCorruptedDialog")).isEmpty());
        QVERIFY(run.ui().answer(QStringLiteral("Ok")));
        QVERIFY(waitUntil([&]() { return !run.visibleNames().contains(QStringLiteral("certificateCorruptedDialog")); }));
        QVERIFY(run.ui().click(QStringLiteral("cancelButton")));
        // Three files: back on the list, still running.
        QVERIFY(run.waitForPages(1));
        QVERIFY(run.process().isRunning());
        QVERIFY(run.ui().back());
        QCOMPARE(run.exitStatus(), 0);
        QCOMPARE(domainsHolding(broken.certificate.data()), QStringList());
    }

    // Tens of thousands of files in the home: the window answers while the
    // scan runs, and the certificate files among them are listed.
    void crowdedHomeListsItsCertificates()
    {
        TemporaryDeviceRoot root;
        const Issued needle = certificate(QStringLiteral("Needle"));
        const Issued other = certificate(QStringLiteral("Other Needle"));
        for (int folder = 0; folder < 40; ++folder) {
            const QString path = root.home() + QStringLiteral("/hay/%1").arg(folder);
            QVERIFY(QDir().mkpath(path));
            for (int file = 0; file < 500; ++file) {
                QFile f(path + QStringLiteral("/straw-%1.txt").arg(file));
                QVERIFY(f.open(QIODevice::WriteOnly));
            }
        }
        put(root, QStringLiteral("hay/17/needle.pem"), pem({ needle }));
        put(root, QStringLiteral("hay/39/other.crt"), pem({ other }));

        InstallerRun run(root);
        QVERIFY(run.start());
        QVERIFY(run.pageCount() == 1);
        QVERIFY(run.ui().waitForText(QStringLiteral("needle.pem"), 120000));
        QVERIFY(run.ui().waitForText(QStringLiteral("other.crt"), 10000));
        QCOMPARE(run.pageCount(), 1);
        QVERIFY(run.ui().back());
        QCOMPARE(run.exitStatus(), 0);
    }
};

QTEST_GUILESS_MAIN(TestInstaller)
#include "tst_installer.moc"
