// Measures the service against floors taken in the same run, so that the
// figures hold on a loaded machine: every figure is the ratio of the
// product's time (or memory) to its floor's, repeated, and printed as the
// median ratio with its spread.
//
//   trustkeep-bench [REPEATS]     (bench/run.sh sets up the environment)
#include "benchsamples.h"
#include "loadclients.h"

#include <certificatefactory.h>
#include <certificatefilemodel.h>
#include <certificateitem.h>
#include <certificatesfiltermodel.h>
#include <certificateslist.h>
#include <certificatesmodel.h>
#include <privatebus.h>
#include <temporarydeviceroot.h>
#include <testprogram.h>
#include <trustdatabase.h>
#include <trustkeepservice.h>

#include <bastra_certman.h>
#include <bastra_crypto.h>

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGraphicsLinearLayout>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTextStream>
#include <QTimer>
#include <QVariant>

#include <zelvoapplication.h>
#include <zelvoapplicationpage.h>
#include <zelvoapplicationwindow.h>
#include <zelvolabel.h>

#include <openssl/err.h>
#include <openssl/pem.h>

#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

const char serviceName[] = "com.tavelo.certman";

QString floorBinary()
{
    return qEnvironmentVariable("TRUSTKEEP_BUILD_DIR") + QStringLiteral("/bin/trustkeep-floorservice");
}

// One blocking call; true when it was answered as expected.
using Call = std::function<bool()>;

template <typename T> bool answered(QDBusPendingReply<T> reply)
{
    reply.waitForFinished();
    return reply.isValid();
}

// CheckCertificate through the service's client, answered true.
Call checkCall(TrustkeepClient &client, const QString &derText)
{
    return [&client, derText] {
        QDBusPendingReply<bool> reply = client.CheckCertificate(derText);
        return answered(reply) && reply.value();
    };
}

// The bus's own round trip to the service's process, the floor of a call
// (the standard Peer interface, which no client of ours wraps).
Call pingCall(const QDBusConnection &connection)
{
    return [connection] {
        QDBusConnection bus = connection;
        const QDBusMessage ping =
            QDBusMessage::createMethodCall(QLatin1String(serviceName), QStringLiteral("/request"),
                                           QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
        return bus.call(ping, QDBus::Block, 60000).type() == QDBusMessage::ReplyMessage;
    };
}

QString keyIdText(X509 *certificate)
{
    bastra_key_id id;
    char text[BASTRA_KEY_ID_TEXT_SIZE];
    if (bastra_certman_get_cert_key_id(certificate, &id) != 0
        || bastra_certman_key_id_to_str(&id, text, sizeof text) != 0)
        return QString();
    return QString::fromLatin1(text);
}

// One emulated device with its own bus, database and store.
class BenchDevice
{
public:
    TemporaryDeviceRoot root;
    PrivateBus bus;

    // extraPolicy: <policy> elements the bus adds to the shipped policy.
    explicit BenchDevice(const QString &name, const QString &extraPolicy = QString())
        : bus(root.path(), extraPolicy)
        , m_connectionName(QStringLiteral("bench-%1").arg(name))
    {
    }
    ~BenchDevice()
    {
        stopService();
        {
            QSqlDatabase::database(m_connectionName, false).close();
        }
        QSqlDatabase::removeDatabase(m_connectionName);
    }

    bool isReady() const { return root.isValid() && bus.isRunning(); }
    QDBusConnection connection() const { return bus.connection(); }
    // The service's client on this device's bus, by its well-known name.
    TrustkeepClient &client()
    {
        if (!m_client) {
            m_client.reset(new TrustkeepClient(QLatin1String(TrustkeepService::name),
                                               QLatin1String(TrustkeepService::path), connection()));
            m_client->setTimeout(120000);
        }
        return *m_client;
    }

    QSqlDatabase database()
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        if (!db.isValid()) {
            db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
            db.setDatabaseName(root.resolve(QStringLiteral("/home/user/private/trustkeep.db")));
        }
        if (!db.isOpen() && db.open()) {
            QSqlQuery query(db);
            query.exec(QLatin1String(TrustDatabase::certificatesTableStatement));
            query.exec(QLatin1String(TrustDatabase::keysTableStatement));
            query.exec(QLatin1String(TrustDatabase::subjectIndexStatement));
        }
        return db;
    }

    // Trust records for good, all in one transaction.
    bool addTrustRecords(const QList<QPair<QString, QByteArray>> &records)
    {
        QSqlDatabase db = database();
        if (!db.transaction())
            return false;
        QSqlQuery query(db);
        query.prepare(QStringLiteral("INSERT INTO certificates (subject_cn, installed, trust_type, der_dump) "
                                     "VALUES (?, 1, 1, ?)"));
        for (const auto &record : records) {
            query.addBindValue(record.first);
            query.addBindValue(record.second);
            if (!query.exec())
                return false;
        }
        return db.commit();
    }

    // Starts a service binary on this bus and waits until it owns the name;
    // the time from exec to then goes into elapsedMs.
    bool startService(const QString &binary, const QStringList &arguments, qint64 *elapsedMs = nullptr)
    {
        stopService();
        QDBusConnection watcherConnection = connection();
        QDBusServiceWatcher watcher(QLatin1String(serviceName), watcherConnection,
                                    QDBusServiceWatcher::WatchForRegistration);
        QEventLoop loop;
        QObject::connect(&watcher, &QDBusServiceWatcher::serviceRegistered, &loop, &QEventLoop::quit);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        m_service.reset(new QProcess);
        m_service->setProcessEnvironment(bus.environment());
        m_service->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer timer;
        timer.start();
        m_service->start(binary, arguments);
        if (!isOwned())
            loop.exec();
        if (elapsedMs)
            *elapsedMs = timer.elapsed();
        return isOwned();
    }

    qint64 servicePid() const { return m_service ? m_service->processId() : 0; }

    // The service's peak resident memory so far, in kB (0 when unknown).
    qint64 peakResidentKb() const
    {
        QFile status(QStringLiteral("/proc/%1/status").arg(servicePid()));
        if (!servicePid() || !status.open(QIODevice::ReadOnly))
            return 0;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').value(0).toLongLong();
        }
        return 0;
    }

    void stopService()
    {
        if (!m_service)
            return;
        if (m_service->state() != QProcess::NotRunning) {
            m_service->terminate();
            if (!m_service->waitForFinished(10000))
                m_service->kill();
            m_service->waitForFinished(10000);
        }
        m_service.reset();
        bus.waitForName(QLatin1String(serviceName), false, 10000);
    }

    bool isOwned() const { return bus.ownerPid(QLatin1String(serviceName)) > 0; }

private:
    QString m_connectionName;
    std::unique_ptr<QProcess> m_service;
    std::unique_ptr<TrustkeepClient> m_client;
};

// Milliseconds that `count` blocking calls take.
double timeCalls(const Call &call, int count, bool *allOk)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i) {
        if (!call())
            *allOk = false;
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

// The ratio of the time of `calls` product calls to that of as many floor
// calls, timed in alternating chunks: each chunk stays well inside the
// service's two idle seconds (a floor call such as Peer.Ping does not hold
// the idle timer), and both sides see the same moments of machine load.
double alternatingRatio(const Call &product, const Call &floor, int calls, bool *allOk)
{
    const int chunk = 20;
    double productMs = 0;
    double floorMs = 0;
    for (int done = 0; done < calls; done += chunk) {
        productMs += timeCalls(product, chunk, allOk);
        floorMs += timeCalls(floor, chunk, allOk);
    }
    return productMs / floorMs;
}

struct Row {
    QString figure;
    BenchSamples ratios;
    double target;
    QString note;
};

// One sample per repeat: the time of a few product runs over that of as many
// floor runs, taken in turns so that both see the same moments of machine
// load. Each run gives its milliseconds, or a negative value when it failed.
void addAlternatingSamples(Row &row, int repeats, const std::function<double()> &product,
                           const std::function<double()> &floor)
{
    const int turns = 5;
    for (int i = 0; i < repeats; ++i) {
        double productMs = 0;
        double floorMs = 0;
        for (int turn = 0; turn < turns; ++turn) {
            const double p = product();
            const double f = floor();
            if (p < 0 || f < 0) {
                row.note = QStringLiteral("a run failed");
                return;
            }
            productMs += p;
            floorMs += f;
        }
        row.ratios.add(productMs / floorMs);
        row.note = QStringLiteral("%1 ms / %2 ms").arg(productMs / turns, 0, 'f', 1).arg(floorMs / turns, 0, 'f', 1);
    }
}

class Bench
{
public:
    explicit Bench(int repeats)
        : m_repeats(repeats)
    {
    }

    QList<Row> rows;

    void coldStart();
    void warmRoundTrip();
    void manyRecords();
    void loadFromDomains();
    void homeScan();
    void peakMemory();
    void certificatesModel();
    void listFirstFrame();
    void caBundle();

private:
    bool prepareTrusted(BenchDevice &device, QString *derText);

    int m_repeats;
};

bool Bench::prepareTrusted(BenchDevice &device, QString *derText)
{
    CertificateFactory::Options options;
    options.commonName = QStringLiteral("bench.example.test");
    const auto made = CertificateFactory::makeSelfSigned(options);
    const QByteArray der = CertificateFactory::toDer(made.certificate.data());
    *derText = QString::fromLatin1(der.toBase64());
    return !der.isEmpty() && device.addTrustRecords({ { options.commonName, der } });
}

void Bench::coldStart()
{
    Row row{ QStringLiteral("cold start to first CheckCertificate reply / minimal Qt D-Bus service"), {}, 1.3, {} };
    BenchDevice device(QStringLiteral("cold"));
    QString derText;
    if (!device.isReady() || !prepareTrusted(device, &derText)) {
        row.note = QStringLiteral("set-up failed");
        rows << row;
        return;
    }
    const Call check = checkCall(device.client(), derText);
    auto coldCall = [&](const QString &binary, const QStringList &arguments) -> double {
        qint64 registeredMs = 0;
        QElapsedTimer timer;
        timer.start();
        if (!device.startService(binary, arguments, &registeredMs))
            return -1;
        const bool ok = check();
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        device.stopService();
        return ok ? ms : -1;
    };
    // One of each first, so that both start from a warm page cache.
    coldCall(TestProgram::trustkeepBinary(), { QStringLiteral("--dbus") });
    coldCall(floorBinary(), {});
    for (int i = 0; i < m_repeats; ++i) {
        const double product = coldCall(TestProgram::trustkeepBinary(), { QStringLiteral("--dbus") });
        const double floor = coldCall(floorBinary(), {});
        if (product > 0 && floor > 0)
            row.ratios.add(product / floor);
        else
            row.note = QStringLiteral("a start failed");
    }
    rows << row;
}

// The minimal service under its own name beside the product's on one bus,
// so that both figures of a ratio pass through the same bus daemon.
const char floorServiceName[] = "com.tavelo.certman.floor";

void Bench::warmRoundTrip()
{
    Row row{ QStringLiteral("CheckCertificate round trip of a trusted certificate, warm / the minimal service's "
                            "trivial method (also on its main thread, same bus)"),
             {},
             1.3,
             {} };
    BenchDevice device(QStringLiteral("warm"),
                       QStringLiteral("<policy user=\"root\"><allow own=\"%1\"/><allow send_destination=\"%1\"/>"
                                      "</policy>")
                           .arg(QLatin1String(floorServiceName)));
    QString derText;
    QProcess floorService;
    bool ready = device.isReady() && prepareTrusted(device, &derText)
        && device.startService(TestProgram::trustkeepBinary(), { QStringLiteral("--dbus") });
    if (ready) {
        floorService.setProcessEnvironment(device.bus.environment());
        floorService.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        floorService.start(floorBinary(), { QLatin1String(floorServiceName) });
        ready = device.bus.waitForName(QLatin1String(floorServiceName), true, 30000);
    }
    if (!ready) {
        row.note = QStringLiteral("set-up failed");
        rows << row;
        return;
    }
    TrustkeepClient floorClient(QLatin1String(floorServiceName), QLatin1String(TrustkeepService::path),
                                device.connection());
    const Call check = checkCall(device.client(), derText);
    const Call trivial = checkCall(floorClient, derText);
    const Call ping = pingCall(device.connection());
    bool ok = check() && trivial();
    const int calls = 400;
    for (int i = 0; i < m_repeats && ok; ++i)
        row.ratios.add(alternatingRatio(check, trivial, calls, &ok));
    if (!ok)
        row.note = QStringLiteral("a call failed");
    rows << row;

    // For reading the figure: the check against the bus's own round trip
    // (answered in Qt's bus thread of the service), as measured before.
    Row byPing{ QStringLiteral("(reference) CheckCertificate round trip, warm / Peer.Ping"), {}, -1, {} };
    for (int i = 0; i < m_repeats && ok; ++i)
        byPing.ratios.add(alternatingRatio(check, ping, calls, &ok));
    if (!ok)
        byPing.note = QStringLiteral("a call failed");
    rows << byPing;
    floorService.terminate();
    floorService.waitForFinished(10000);
}

void Bench::manyRecords()
{
    Row row{ QStringLiteral("CheckCertificate with 100 000 trust records / with 10"), {}, 1.2, {} };
    BenchDevice small(QStringLiteral("small"));
    BenchDevice large(QStringLiteral("large"));
    QString derText;
    bool ready = small.isReady() && large.isReady() && prepareTrusted(small, &derText)
        && large.addTrustRecords(
            { { QStringLiteral("bench.example.test"), QByteArray::fromBase64(derText.toLatin1()) } });
    // Other servers' records; a real table holds many names and some repeats.
    QList<QPair<QString, QByteArray>> others;
    const QByteArray filler = QByteArray::fromBase64(derText.toLatin1());
    for (int i = 0; i < 99999 && ready; ++i)
        others.append({ QStringLiteral("host%1.example.test").arg(i % 60000), filler });
    ready = ready && small.addTrustRecords(others.mid(0, 9)) && large.addTrustRecords(others)
        && small.startService(TestProgram::trustkeepBinary(), { QStringLiteral("--dbus") })
        && large.startService(TestProgram::trustkeepBinary(), { QStringLiteral("--dbus") });
    if (!ready) {
        row.note = QStringLiteral("set-up failed");
        rows << row;
        return;
    }
    const Call smallCheck = checkCall(small.client(), derText);
    const Call largeCheck = checkCall(large.client(), derText);
    bool ok = smallCheck() && largeCheck();
    const int calls = 400;
    for (int i = 0; i < m_repeats && ok; ++i)
        row.ratios.add(alternatingRatio(largeCheck, smallCheck, calls, &ok));
    if (!ok)
        row.note = QStringLiteral("a call failed");
    rows << row;
}

void Bench::loadFromDomains()
{
    Row row{ QStringLiteral("LoadCertificatesFromDomains, 1 000 certificates in 4 domains + 1 000 server records / "
                            "reading and Base64-encoding the files"),
             {},
             2.0,
             {} };
    BenchDevice device(QStringLiteral("load"));
    const QStringList domains{ QStringLiteral("common-ca"), QStringLiteral("ssl-ca"), QStringLiteral("wifi-user"),
                               QStringLiteral("smime-user") };
    QStringList files;
    QList<QPair<QString, QByteArray>> servers;
    bool ready = device.isReady();
    for (int i = 0; i < 1000 && ready; ++i) {
        CertificateFactory::Options options;
        options.commonName = QStringLiteral("Bench %1").arg(i);
        const auto made = CertificateFactory::makeSelfSigned(options);
        const QString keyId = keyIdText(made.certificate.data());
        const QString &domain = domains.at(i % domains.size());
        const QString folder = domain == QLatin1String("common-ca") ? device.root.sharedDomainFolder(domain)
                                                                    : device.root.privateDomainFolder(domain);
        const QByteArray der = CertificateFactory::toDer(made.certificate.data());
        files << folder + QLatin1Char('/') + keyId;
        ready = !keyId.isEmpty() && CertificateFactory::writeFile(files.last(), der);
        servers.append({ QStringLiteral("server%1.example.test").arg(i), der });
    }
    ready = ready && device.addTrustRecords(servers)
        && device.startService(TestProgram::trustkeepBinary(), { QStringLiteral("--dbus") });
    if (!ready) {
        row.note = QStringLiteral("set-up failed");
        rows << row;
        return;
    }
    TrustkeepClient &client = device.client();
    auto loadOnce = [&]() -> double {
        QElapsedTimer timer;
        timer.start();
        QDBusPendingReply<QVariantMap> reply = client.LoadCertificatesFromDomains(domains);
        const bool ok = answered(reply);
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        // The whole answer is there (the dictionary repeats no key here).
        return ok && reply.value().size() == 2000 ? ms : -1;
    };
    auto readFiles = [&]() -> double {
        QElapsedTimer timer;
        timer.start();
        QStringList encoded;
        for (const QString &path : files) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                return -1;
            const QByteArray der = file.readAll();
            char *text = base64_encode(reinterpret_cast<const unsigned char *>(der.constData()), size_t(der.size()));
            encoded << QString::fromLatin1(text);
            bastra_crypto_free(text);
        }
        return double(timer.nsecsElapsed()) / 1e6;
    };
    loadOnce();
    readFiles();
    addAlternatingSamples(row, m_repeats, loadOnce, readFiles);
    rows << row;
}

void Bench::homeScan()
{
    Row row{
        QStringLiteral("scan of 50 000 files (200 certificate files) to modelPopulated() / find -type f"), {}, 3.0, {}
    };
    TemporaryDeviceRoot root;
    const QString home = root.home();
    bool ready = root.isValid();
    const auto made = CertificateFactory::makeSelfSigned(CertificateFactory::Options());
    const QByteArray pem = CertificateFactory::toPem(made.certificate.data());
    const QByteArray der = CertificateFactory::toDer(made.certificate.data());
    const char *const plainNames[] = { "notes.txt", "photo.jpg", "song.mp3", "data.bin", "mail.eml" };
    for (int i = 0; i < 50000 && ready; ++i) {
        const QString folder = home + QStringLiteral("/d%1/e%2").arg(i % 50).arg(i % 500 / 50);
        QString path;
        QByteArray content;
        if (i % 250 == 0) {
            path = folder
                + QStringLiteral("/cert%1%2").arg(i).arg(i % 500 ? QStringLiteral(".pem") : QStringLiteral(".der"));
            content = i % 500 ? pem : der;
        } else {
            path = folder + QStringLiteral("/f%1-").arg(i) + QLatin1String(plainNames[i % 5]);
            content = "some content of an ordinary file\n";
        }
        ready = CertificateFactory::writeFile(path, content);
    }
    if (!ready) {
        row.note = QStringLiteral("set-up failed");
        rows << row;
        return;
    }
    auto scan = [&]() -> double {
        CertificateFileModel model;
        QEventLoop loop;
        QObject::connect(&model, &CertificateFileModel::modelPopulated, &loop, &QEventLoop::quit);
        QElapsedTimer timer;
        timer.start();
        model.populate(QStringList{ home });
        loop.exec();
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        return model.rowCount() == 200 ? ms : -1;
    };
    auto find = [&]() -> double {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer timer;
        timer.start();
        process.start(QStringLiteral("find"), { home, QStringLiteral("-type"), QStringLiteral("f") });
        process.waitForFinished(120000);
        return process.exitCode() == 0 ? double(timer.nsecsElapsed()) / 1e6 : -1;
    };
    scan();
    find();
    for (int i = 0; i < m_repeats; ++i) {
        const double product = scan();
        const double floor = find();
        if (product < 0 || floor < 0) {
            row.note = QStringLiteral("a scan failed");
            break;
        }
        row.ratios.add(product / floor);
    }
    rows << row;
}

void Bench::peakMemory()
{
    Row row{ QStringLiteral("peak resident memory under 32 clients x 500 calls / minimal service's"), {}, 1.3, {} };
    BenchDevice device(QStringLiteral("memory"));
    QString derText;
    const auto keyed = CertificateFactory::makeSelfSigned(CertificateFactory::Options());
    const QString keyId = keyIdText(keyed.certificate.data());
    bool ready = device.isReady() && prepareTrusted(device, &derText);
    for (int i = 0; i < 3 && ready; ++i) {
        const auto ca = CertificateFactory::makeCa(QStringLiteral("Memory CA %1").arg(i));
        ready = device.root.addSharedCertificate(QStringLiteral("common-ca"), ca.certificate.data());
    }
    if (!ready) {
        row.note = QStringLiteral("set-up failed");
        rows << row;
        return;
    }
    const QStringList domains{ QStringLiteral("common-ca") };
    // The mix of the load test: trusted checks, listings and key queries.
    auto oneCall = [&](QDBusConnection &connection, int n) {
        TrustkeepClient client(QLatin1String(TrustkeepService::name), QLatin1String(TrustkeepService::path),
                               connection);
        client.setTimeout(120000);
        switch (n % 3) {
        case 0:
            return answered(client.CheckCertificate(derText));
        case 1:
            return answered(client.LoadCertificatesFromDomains(domains));
        default:
            return answered(client.GetPrivateKeyData(keyId));
        }
    };
    auto peakUnderLoad = [&](const QString &binary, const QStringList &arguments, bool *allAnswered) -> double {
        if (!device.startService(binary, arguments))
            return -1;
        const int failures = runLoadClients(device.bus.address(), 32, 500, oneCall);
        *allAnswered = failures == 0;
        const double peak = double(device.peakResidentKb());
        device.stopService();
        return peak;
    };
    for (int i = 0; i < qMax(1, m_repeats / 2); ++i) {
        bool productAnswered = false;
        bool floorAnswered = false;
        const double product =
            peakUnderLoad(TestProgram::trustkeepBinary(), { QStringLiteral("--dbus") }, &productAnswered);
        const double floor = peakUnderLoad(floorBinary(), {}, &floorAnswered);
        if (product <= 0 || floor <= 0 || !productAnswered) {
            row.note = QStringLiteral("a run failed");
            break;
        }
        row.ratios.add(product / floor);
        row.note = QStringLiteral("%1 kB / %2 kB").arg(qint64(product)).arg(qint64(floor));
    }
    rows << row;
}

void Bench::certificatesModel()
{
    Row row{ QStringLiteral(
                 "CertificatesModel populate() to modelPopulated(), 1 000 certificates + 1 000 trust records / "
                 "the bare LoadCertificatesFromDomains call"),
             {},
             1.5,
             {} };
    BenchDevice device(QStringLiteral("model"));
    // A device's mix: shared roots, own CAs, own user certificates (some
    // with keys), and the trust records of servers visited.
    const QStringList domains{ QStringLiteral("common-ca"), QStringLiteral("ssl-ca"), QStringLiteral("wifi-user"),
                               QStringLiteral("smime-user") };
    QList<QPair<QString, QByteArray>> servers;
    bool ready = device.isReady() && device.database().isOpen();
    QSqlQuery keys(device.database());
    keys.prepare(
        QStringLiteral("INSERT INTO keys (id, cn, auth_preference, domains, der_dump) VALUES (?, ?, ?, ?, ?)"));
    for (int i = 0; i < 1000 && ready; ++i) {
        CertificateFactory::Options options;
        options.commonName = QStringLiteral("Stored %1").arg(i);
        const QString &domain = domains.at(i % domains.size());
        options.isCa = domain.endsWith(QLatin1String("-ca"));
        const auto made = CertificateFactory::makeSelfSigned(options);
        const QString keyId = keyIdText(made.certificate.data());
        const QString folder = domain == QLatin1String("common-ca") ? device.root.sharedDomainFolder(domain)
                                                                    : device.root.privateDomainFolder(domain);
        ready = !keyId.isEmpty()
            && CertificateFactory::writeFile(folder + QLatin1Char('/') + keyId,
                                             CertificateFactory::toDer(made.certificate.data()));
        if (ready && domain.endsWith(QLatin1String("-user")) && i % 3 == 0) {
            keys.addBindValue(keyId);
            keys.addBindValue(options.commonName);
            keys.addBindValue(i % 2);
            keys.addBindValue(domain);
            keys.addBindValue(QByteArray());
            ready = keys.exec();
        }
        CertificateFactory::Options server;
        server.commonName = QStringLiteral("server%1.example.test").arg(i);
        servers.append({ server.commonName,
                         CertificateFactory::toDer(CertificateFactory::makeSelfSigned(server).certificate.data()) });
    }
    ready = ready && device.addTrustRecords(servers)
        && device.startService(TestProgram::trustkeepBinary(), { QStringLiteral("--dbus") });
    if (!ready) {
        row.note = QStringLiteral("set-up failed");
        rows << row;
        return;
    }
    QDBusConnection connection = device.connection();
    TrustkeepClient client(QLatin1String(TrustkeepService::name), QLatin1String(TrustkeepService::path), connection);
    client.setTimeout(120000);
    const QStringList listed = CertificatesModel::storeDomains();
    auto bareCall = [&]() -> double {
        QElapsedTimer timer;
        timer.start();
        QDBusPendingReply<QVariantMap> reply = client.LoadCertificatesFromDomains(listed);
        reply.waitForFinished();
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        return reply.isValid() ? ms : -1;
    };
    // The model asks the key facts of its rows once the list is shown. They
    // must not run into the floor's call: a last question of our own,
    // answered after those the model has sent, and the model gone before
    // it sends more.
    auto populate = [&]() -> double {
        CertificatesModel model(connection);
        QEventLoop loop;
        QObject::connect(&model, &CertificatesModel::modelPopulated, &loop, &QEventLoop::quit);
        QElapsedTimer timer;
        timer.start();
        model.populate();
        loop.exec();
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        const bool drained = answered(client.GetPrivateKeyData(QString(40, QLatin1Char('0'))));
        return model.rowCount() == 2000 && drained ? ms : -1;
    };
    // The service ends two seconds after its last call; each pair runs well
    // inside that, and both sides see the same moments of machine load.
    bareCall();
    populate();
    for (int i = 0; i < m_repeats; ++i) {
        const double product = populate();
        const double floor = bareCall();
        if (product < 0 || floor < 0) {
            row.note = QStringLiteral("a run failed");
            break;
        }
        row.ratios.add(product / floor);
        row.note = QStringLiteral("%1 ms / %2 ms").arg(qint64(product)).arg(qint64(floor));
    }
    rows << row;

    // For reading the figure: what parsing the listed certificates costs by
    // itself (one thread), the work the model cannot leave out.
    Row reference{
        QStringLiteral("(reference) d2i_X509 of the 2 000 listed certificates, one thread / the bare call"), {}, -1, {}
    };
    QDBusPendingReply<QVariantMap> listing = client.LoadCertificatesFromDomains(listed);
    listing.waitForFinished();
    const QStringList texts = listing.isValid() ? listing.value().keys() : QStringList();
    auto parseAll = [&]() -> double {
        QElapsedTimer timer;
        timer.start();
        for (const QString &text : texts) {
            const QByteArray der = QByteArray::fromBase64(text.toLatin1());
            const unsigned char *cursor = reinterpret_cast<const unsigned char *>(der.constData());
            X509_free(d2i_X509(nullptr, &cursor, der.size()));
        }
        return double(timer.nsecsElapsed()) / 1e6;
    };
    for (int i = 0; i < m_repeats && texts.size() == 2000; ++i) {
        const double parse = parseAll();
        const double floor = bareCall();
        if (floor > 0)
            reference.ratios.add(parse / floor);
    }
    rows << reference;
}

void Bench::listFirstFrame()
{
    Row row{ QStringLiteral("CertificatesList first frame with 10 000 rows / with 10 rows"), {}, 1.5, {} };
    // Certificates of one key are quick to make; each is still its own row.
    const KeyPtr key = CertificateFactory::makeKey();
    auto fill = [&](CertificatesModel &model, int count) {
        for (int i = 0; i < count; ++i) {
            CertificateFactory::Options options;
            options.commonName = QStringLiteral("Listed %1").arg(i);
            const auto made = CertificateFactory::makeForKey(options, key);
            CertificateItem item;
            if (!item.setCertificate(made.certificate.data()) || !model.populate(&item))
                return false;
        }
        return true;
    };
    CertificatesModel small(QDBusConnection(QStringLiteral("unused")));
    CertificatesModel large(QDBusConnection(QStringLiteral("unused")));
    CertificatesFilterModel smallFilter;
    CertificatesFilterModel largeFilter;
    if (!key || !fill(small, 10) || !fill(large, 10000)) {
        row.note = QStringLiteral("set-up failed");
        rows << row;
        return;
    }
    smallFilter.setSourceModel(&small);
    largeFilter.setSourceModel(&large);
    smallFilter.sort(0);
    largeFilter.sort(0);
    // From building the page with the list to its first frame rendered.
    auto firstFrame = [&](CertificatesFilterModel &filter) -> double {
        QElapsedTimer timer;
        timer.start();
        ZelvoApplicationWindow window;
        window.resize(480, 800);
        auto *page = new ZelvoApplicationPage;
        auto *content = new QGraphicsWidget;
        auto *layout = new QGraphicsLinearLayout(Qt::Vertical, content);
        layout->addItem(new ZelvoLabel(QStringLiteral("Certificates")));
        auto *list = new CertificatesList;
        layout->addItem(list);
        layout->addStretch();
        list->setItemModel(&filter);
        page->setCentralWidget(content);
        page->appear(&window);
        window.show();
        for (int turns = 0; turns < 100 && list->itemWidgetCount() == 0; ++turns)
            QCoreApplication::processEvents();
        const QPixmap frame = window.grab();
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        const bool shown = list->itemWidgetCount() > 0 && list->itemWidgetCount() <= 10 && !frame.isNull();
        return shown ? ms : -1;
    };
    firstFrame(smallFilter);
    firstFrame(largeFilter);
    for (int i = 0; i < qMax(m_repeats, 5); ++i) {
        const double product = firstFrame(largeFilter);
        const double floor = firstFrame(smallFilter);
        if (product < 0 || floor < 0) {
            row.note = QStringLiteral("a frame failed");
            break;
        }
        row.ratios.add(product / floor);
        row.note = QStringLiteral("%1 ms / %2 ms").arg(product, 0, 'f', 1).arg(floor, 0, 'f', 1);
    }
    rows << row;
}

// The machine's CA bundle, as the certificates of its own trust anchors.
QList<X509Ptr> machineCaBundle()
{
    QList<X509Ptr> certificates;
    QFile bundle(QStringLiteral("/etc/ssl/certs/ca-certificates.crt"));
    if (!bundle.open(QIODevice::ReadOnly))
        return certificates;
    const QByteArray pem = bundle.readAll();
    BIO *bio = BIO_new_mem_buf(pem.constData(), pem.size());
    while (X509 *certificate = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr))
        certificates << shareX509(certificate);
    BIO_free(bio);
    ERR_clear_error(); // the end of the bundle reads as an error
    return certificates;
}

// A command run to its end with its output thrown away: milliseconds, or -1
// when it failed. With firstLine, the start of its output is kept there.
double runCommand(const QString &program, const QStringList &arguments, QString *firstLine = nullptr)
{
    QProcess process;
    if (!firstLine)
        process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    const bool finished = process.waitForFinished(60000);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    if (firstLine)
        *firstLine = QString::fromUtf8(process.readAllStandardOutput().left(80));
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0 ? ms : -1;
}

// The listing as any program on the device would ask for it, from a shell,
// against the system's own tool over the same certificates. Runs only where
// both commands are installed.
void Bench::caBundle()
{
    Row row{ QStringLiteral("listing the machine's CA bundle in common-ca, whole busctl call to a warm service / "
                            "trust list --filter=ca-anchors"),
             {},
             0.5,
             {} };
    if (QStandardPaths::findExecutable(QStringLiteral("trust")).isEmpty()
        || QStandardPaths::findExecutable(QStringLiteral("busctl")).isEmpty()) {
        row.note = QStringLiteral("trust or busctl not installed");
        rows << row;
        return;
    }
    BenchDevice device(QStringLiteral("cabundle"));
    int stored = 0;
    bool ready = device.isReady();
    const QString folder = device.root.sharedDomainFolder(QStringLiteral("common-ca"));
    for (const X509Ptr &certificate : machineCaBundle()) {
        const QString path = folder + QLatin1Char('/') + keyIdText(certificate.data());
        if (!ready || QFileInfo::exists(path)) // two anchors of one key: one file
            continue;
        ready = CertificateFactory::writeFile(path, CertificateFactory::toDer(certificate.data()));
        ++stored;
    }
    ready = ready && stored > 0 && device.startService(TestProgram::trustkeepBinary(), { QStringLiteral("--dbus") });
    if (!ready) {
        row.note = QStringLiteral("set-up failed");
        rows << row;
        return;
    }
    const QStringList busctl{ QStringLiteral("--address=") + device.bus.address(),
                              QStringLiteral("call"),
                              QLatin1String(serviceName),
                              QStringLiteral("/request"),
                              QLatin1String(serviceName),
                              QStringLiteral("LoadCertificatesFromDomains"),
                              QStringLiteral("as"),
                              QStringLiteral("1"),
                              QStringLiteral("common-ca") };
    const QStringList trust{ QStringLiteral("list"), QStringLiteral("--filter=ca-anchors") };
    QString answer;
    if (runCommand(QStringLiteral("busctl"), busctl, &answer) < 0
        || !answer.startsWith(QStringLiteral("a{sv} %1 ").arg(stored))) {
        row.note = QStringLiteral("busctl answered %1").arg(answer.left(40));
        rows << row;
        return;
    }
    runCommand(QStringLiteral("trust"), trust);
    // Each turn stays well inside the service's two idle seconds, so every
    // busctl call finds it running.
    addAlternatingSamples(
        row, m_repeats, [&] { return device.isOwned() ? runCommand(QStringLiteral("busctl"), busctl) : -1; },
        [&] { return runCommand(QStringLiteral("trust"), trust); });
    row.figure += QStringLiteral(", %1 certificates").arg(stored);
    rows << row;
}

void printTable(const QList<Row> &rows)
{
    QTextStream out(stdout);
    out << "| figure | ratio (median) | spread (min-max) | runs | target | met? |\n";
    out << "|---|---|---|---|---|---|\n";
    for (const Row &row : rows) {
        const bool reference = row.target < 0; // shown to read another figure by
        const bool met = !row.ratios.isEmpty() && row.ratios.median() <= row.target;
        out << "| " << row.figure
            << (row.note.isEmpty() ? QString() : QStringLiteral(" (") + row.note + QLatin1Char(')')) << " | "
            << QString::number(row.ratios.median(), 'f', 2) << " | " << QString::number(row.ratios.lowest(), 'f', 2)
            << "-" << QString::number(row.ratios.highest(), 'f', 2) << " | " << row.ratios.count() << " | "
            << (reference ? QStringLiteral("-") : QStringLiteral("<= ") + QString::number(row.target, 'f', 1)) << " | "
            << (reference                  ? "-"
                    : row.ratios.isEmpty() ? "not measured"
                    : met                  ? "yes"
                                           : "no")
            << " |\n";
    }
}

} // namespace

int main(int argc, char *argv[])
{
    ZelvoApplication app(argc, argv, QStringLiteral("trustkeep-bench"));
    const int repeats = argc > 1 ? qMax(1, QString::fromLocal8Bit(argv[1]).toInt()) : 5;
    const QStringList only = qEnvironmentVariable("TRUSTKEEP_BENCH_ONLY").split(QLatin1Char(','), Qt::SkipEmptyParts);
    auto wanted = [&](const char *name) { return only.isEmpty() || only.contains(QLatin1String(name)); };

    Bench bench(repeats);
    if (wanted("cold"))
        bench.coldStart();
    if (wanted("warm"))
        bench.warmRoundTrip();
    if (wanted("records"))
        bench.manyRecords();
    if (wanted("load"))
        bench.loadFromDomains();
    if (wanted("scan"))
        bench.homeScan();
    if (wanted("memory"))
        bench.peakMemory();
    if (wanted("model"))
        bench.certificatesModel();
    if (wanted("list"))
        bench.listFirstFrame();
    if (wanted("cabundle"))
        bench.caBundle();
    printTable(bench.rows);
    return 0;
}
