#ifndef TRUSTKEEP_TRUSTCHECKFIXTURE_H
#define TRUSTKEEP_TRUSTCHECKFIXTURE_H

// The server check as a client sees it: the real trustkeep on a private bus,
// its questions answered through automation, and its trust database read
// and seeded on a connection of the test's own.

#include "certificatefactory.h"
#include "privatebus.h"
#include "temporarydeviceroot.h"
#include "trustkeepprocess.h"

#include <trustdatabase.h>
#include <zelvoautomationclient.h>

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

#include <memory>
#include <vector>

// One row of the certificates table, as stored.
struct TrustRecord {
    qint64 id = 0;
    QString subjectCn;
    QVariant installed;
    QVariant trustType;
    QVariant trustEnds;
    QByteArray derDump;

    bool operator==(const TrustRecord &o) const
    {
        return id == o.id && subjectCn == o.subjectCn && installed == o.installed && trustType == o.trustType
            && trustEnds == o.trustEnds && derDump == o.derDump;
    }
};

// A server certificate of the given name, with its DER image.
struct ServerCertificate {
    IssuedCertificate made;
    QByteArray der;
    QDateTime notAfter;   // to the second, as the certificate holds it

    QString base64() const { return QString::fromLatin1(der.toBase64()); }
};

inline ServerCertificate makeServerCertificate(const QString &commonName, int validDays = 365)
{
    CertificateFactory::Options options;
    options.commonName = commonName;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    options.notBefore = now.addDays(-1);
    options.notAfter = now.addDays(validDays);
    ServerCertificate server;
    server.made = CertificateFactory::makeSelfSigned(options);
    server.der = CertificateFactory::toDer(server.made.certificate.data());
    server.notAfter = QDateTime::fromSecsSinceEpoch(options.notAfter.toSecsSinceEpoch(), Qt::UTC);
    return server;
}

class TrustCheckService
{
public:
    static constexpr int idleMs = 2000;

    TrustCheckService()
        : m_connectionName(QStringLiteral("trustcheck-%1").arg(reinterpret_cast<quintptr>(this)))
    {
        m_environment = m_bus.environment();
    }

    ~TrustCheckService()
    {
        QSqlDatabase::removeDatabase(m_connectionName);
    }

    bool isValid() const { return m_root.isValid() && m_bus.isRunning(); }
    QString errorString() const { return m_bus.errorString(); }
    const TemporaryDeviceRoot &root() const { return m_root; }

    // For the service processes started from now on.
    void setEnvironment(const QString &name, const QString &value) { m_environment.insert(name, value); }

    // Stops the service's calendar clock at moment: the next check runs in
    // a service started afresh with that clock.
    bool freezeClock(const QDateTime &moment)
    {
        const QString shim = qEnvironmentVariable("TRUSTKEEP_BUILD_DIR") + QStringLiteral("/lib/libtrustkeepclockshim.so");
        if (!QFile::exists(shim))
            return false;
        m_environment.insert(QStringLiteral("LD_PRELOAD"), shim);
        m_environment.insert(QStringLiteral("TRUSTKEEP_TEST_CLOCK"), QString::number(moment.toMSecsSinceEpoch()));
        return stopService();
    }

    // --- the bus --------------------------------------------------------

    // Sends CheckCertificate with the text as is; the reply comes later.
    QDBusPendingCall check(const QString &argument)
    {
        if (!ensureRunning())
            return QDBusPendingCall::fromError(QDBusError(QDBusError::Failed, QStringLiteral("no service")));
        QDBusMessage message = QDBusMessage::createMethodCall(m_owner, QStringLiteral("/request"),
                                                              QLatin1String(PrivateBus::serviceName),
                                                              QStringLiteral("CheckCertificate"));
        message.setArguments({ argument });
        QDBusPendingCall call = m_bus.connection().asyncCall(message, 10 * 60 * 1000);
        m_calls.push_back(call);
        return call;
    }
    QDBusPendingCall check(const ServerCertificate &server) { return check(server.base64()); }

    // The reply of the call, once it came: 1 true, 0 false, -1 none or an error.
    int reply(QDBusPendingCall call, int timeoutMs = 30000)
    {
        if (!QTest::qWaitFor([&] { return call.isFinished(); }, timeoutMs))
            return -1;
        m_lastReply.start();
        QDBusPendingReply<bool> answer = call;
        return answer.isValid() ? int(answer.value()) : -1;
    }

    // A check that must be answered from the records alone.
    int checkWithoutPage(const ServerCertificate &server) { return reply(check(server), 15000); }

    // --- the window -----------------------------------------------------

    static constexpr int uiWaitMs = 15000;

    // Waits until the top page has this object name.
    bool waitForPage(const QString &objectName)
    {
        return m_ui.waitFor(objectName, uiWaitMs)
            && topPage().value(QStringLiteral("objectName")).toString() == objectName;
    }
    bool waitFor(const QString &objectName) { return m_ui.waitFor(objectName, uiWaitMs); }
    bool waitForText(const QString &text) { return m_ui.waitForText(text, uiWaitMs); }
    QJsonObject pages() { return m_ui.pages(); }
    QJsonObject topPage() { return pages().value(QStringLiteral("pages")).toArray().last().toObject(); }
    int pageCount() { return pages().value(QStringLiteral("pages")).toArray().size(); }
    bool windowVisible() { return pages().value(QStringLiteral("visible")).toBool(); }
    QJsonArray widgets() { return m_ui.widgets().value(QStringLiteral("widgets")).toArray(); }
    QJsonObject widget(const QString &objectName) { return ZelvoAutomationClient::findWidget(m_ui.widgets(), objectName); }
    bool click(const QString &objectName) { return m_ui.click(objectName); }
    bool back() { return m_ui.back(); }

    // The window as a picture in the device root; empty when that failed or
    // the picture is not a real one (wrong size, a single colour).
    QString screenshot(const QString &name)
    {
        const QString path = m_root.resolve(QStringLiteral("/") + name + QStringLiteral(".png"));
        if (!m_ui.screenshot(path))
            return QString();
        const QImage picture(path);
        if (picture.isNull() || picture.size() != QSize(480, 854))
            return QString();
        QSet<QRgb> colours;
        for (int y = 0; y < picture.height(); y += 7) {
            for (int x = 0; x < picture.width(); x += 7)
                colours.insert(picture.pixel(x, y));
        }
        if (colours.size() < 8)
            return QString();
        const QString keep = qEnvironmentVariable("TRUSTKEEP_KEEP_SCREENSHOTS");
        if (!keep.isEmpty())
            QFile::copy(path, keep + QStringLiteral("/") + name + QStringLiteral(".png"));
        return path;
    }

    // --- the records ----------------------------------------------------

    QSqlDatabase database()
    {
        if (!QSqlDatabase::contains(m_connectionName)) {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
            db.setDatabaseName(m_root.resolve(QStringLiteral("/home/user/private/trustkeep.db")));
            if (db.open())
                QSqlQuery(db).exec(QLatin1String(TrustDatabase::certificatesTableStatement));
        }
        return QSqlDatabase::database(m_connectionName);
    }

    bool execute(const QString &statement, const QVariantList &values = QVariantList())
    {
        QSqlQuery query(database());
        if (!query.prepare(statement))
            return false;
        for (const QVariant &value : values)
            query.addBindValue(value);
        return query.exec();
    }

    // A record as the service would find it; its id, or -1.
    qint64 seed(const QString &subjectCn, const QVariant &trustType, const QVariant &trustEnds, const QByteArray &der)
    {
        QSqlQuery query(database());
        query.prepare(QStringLiteral("INSERT INTO certificates (subject_cn, installed, trust_type, trust_ends, der_dump) "
                                     "VALUES (?, 1, ?, ?, ?)"));
        query.addBindValue(subjectCn);
        query.addBindValue(trustType);
        query.addBindValue(trustEnds);
        query.addBindValue(der);
        return query.exec() ? query.lastInsertId().toLongLong() : -1;
    }

    QList<TrustRecord> records()
    {
        QList<TrustRecord> rows;
        QSqlQuery query(database());
        query.exec(QStringLiteral("SELECT id, subject_cn, installed, trust_type, trust_ends, der_dump "
                                  "FROM certificates ORDER BY id"));
        while (query.next()) {
            TrustRecord row;
            row.id = query.value(0).toLongLong();
            row.subjectCn = query.value(1).toString();
            row.installed = query.value(2);
            row.trustType = query.value(3);
            row.trustEnds = query.value(4);
            row.derDump = query.value(5).toByteArray();
            rows << row;
        }
        return rows;
    }

    // --- the processes --------------------------------------------------

    // Every line every service process of the test logged so far (what
    // Qt itself writes to stderr is left out).
    QStringList logLines()
    {
        static const QRegularExpression logged(QStringLiteral("^\\w+\\(\\d+\\): ERROR "));
        QStringList lines;
        for (const auto &process : m_processes)
            lines += process->logLines().filter(logged);
        return lines;
    }

    // Everything the service processes wrote to stderr, for failure messages.
    QString allOutput()
    {
        QStringList lines;
        for (const auto &process : m_processes)
            lines += process->logLines() << QStringLiteral("(exit %1)").arg(process->exitCode());
        return lines.join(QLatin1Char('\n'));
    }

    // Waits for the current service to end by itself, then tells whether
    // every service process of the test ended normally.
    bool endedCleanly()
    {
        if (!stopService())
            return false;
        for (const auto &process : m_processes) {
            if (process->exitCode() != 0)
                return false;
        }
        return true;
    }

    TrustkeepProcess *currentProcess() { return m_processes.empty() ? nullptr : m_processes.back().get(); }

private:
    bool callsPending() const
    {
        for (const QDBusPendingCall &call : m_calls) {
            if (!call.isFinished())
                return true;
        }
        return false;
    }

    // A service that is held by a waiting call, or answered a moment ago, is
    // used again; one that may be about to end by itself is let end first,
    // so no call can meet it on its way out.
    bool ensureRunning()
    {
        TrustkeepProcess *process = currentProcess();
        if (process && process->isRunning()) {
            if (callsPending() || (m_lastReply.isValid() && m_lastReply.elapsed() < idleMs / 3))
                return true;
            if (!stopService())
                return false;
        }
        m_calls.clear();
        m_processes.emplace_back(new TrustkeepProcess(m_environment));
        m_processes.back()->start({ QStringLiteral("--dbus") });
        m_ui.disconnectFromServer();   // the new process listens afresh
        if (!m_bus.waitForName(QLatin1String(PrivateBus::serviceName), true))
            return false;
        m_owner = m_bus.connection().interface()->serviceOwner(QLatin1String(PrivateBus::serviceName));
        m_lastReply.start();
        return !m_owner.isEmpty();
    }

    // Lets the current service end by itself (it must, within its idle time).
    bool stopService()
    {
        TrustkeepProcess *process = currentProcess();
        if (!process || !process->isRunning())
            return true;
        if (callsPending())
            return false;
        return process->waitForFinished(idleMs + 10000);
    }

    TemporaryDeviceRoot m_root;
    PrivateBus m_bus{ m_root.path() };
    QProcessEnvironment m_environment;
    ZelvoAutomationClient m_ui{ m_bus.automationSocket() };
    QString m_connectionName;
    std::vector<std::unique_ptr<TrustkeepProcess>> m_processes;
    std::vector<QDBusPendingCall> m_calls;
    QString m_owner;
    QElapsedTimer m_lastReply;
};

#endif
