#ifndef TRUSTKEEP_TST_LOADFIXTURE_H
#define TRUSTKEEP_TST_LOADFIXTURE_H

// What the load and fault tests share: the real trustkeep started on a
// private bus of its own in an emulated device, the trust database prepared
// and inspected through a connection of the test, and the material the
// calls carry.

#include "certificatefactory.h"
#include "privatebus.h"
#include "temporarydeviceroot.h"
#include "trustdatabase.h"
#include "trustkeepprocess.h"

#include <bastra_certman.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QDirIterator>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <QtTest>

namespace loadtest {

inline QString serviceName() { return QLatin1String(PrivateBus::serviceName); }

// The store's textual key id of a certificate, or empty.
inline QString keyIdText(X509 *certificate)
{
    bastra_key_id id;
    char text[BASTRA_KEY_ID_TEXT_SIZE];
    if (bastra_certman_get_cert_key_id(certificate, &id) != 0
        || bastra_certman_key_id_to_str(&id, text, sizeof text) != 0)
        return QString();
    return QString::fromLatin1(text);
}

inline QByteArray serverDer(const QString &commonName)
{
    CertificateFactory::Options options;
    options.commonName = commonName;
    const auto made = CertificateFactory::makeSelfSigned(options);
    return CertificateFactory::toDer(made.certificate.data());
}

inline QDBusMessage methodCall(const QString &method, const QVariantList &arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(serviceName(), QStringLiteral("/request"),
                                                          serviceName(), method);
    message.setArguments(arguments);
    return message;
}

// The device, its bus, the service process and a database connection of
// the test's own (opened on demand, closed with the fixture).
class Device
{
public:
    TemporaryDeviceRoot root;
    PrivateBus bus{ root.path() };
    TrustkeepProcess trustkeep{ bus };

    Device()
        : m_connectionName(QStringLiteral("loadtest-%1").arg(quintptr(this)))
    {
    }
    ~Device()
    {
        { QSqlDatabase::database(m_connectionName, false).close(); }
        QSqlDatabase::removeDatabase(m_connectionName);
    }

    bool isReady() const { return root.isValid() && bus.isRunning(); }
    QString databasePath() const { return root.resolve(QStringLiteral("/home/user/private/trustkeep.db")); }
    QString storeFolder() const { return root.resolve(QStringLiteral("/home/user/.bastra-certs")); }

    // Starts trustkeep --dbus and waits until it owns its name.
    bool startService()
    {
        trustkeep.start({ QStringLiteral("--dbus") });
        return trustkeep.waitForStarted() && bus.waitForName(serviceName(), true, 30000);
    }

    QDBusMessage call(const QString &method, const QVariantList &arguments, int timeoutMs = 120000)
    {
        return bus.connection().call(methodCall(method, arguments), QDBus::Block, timeoutMs);
    }

    // The test's own connection to the database file, with the service's
    // tables (made here when the service has not run yet).
    QSqlDatabase database()
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        if (!db.isValid()) {
            db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
            db.setDatabaseName(databasePath());
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=30000"));
        }
        if (!db.isOpen() && db.open()) {
            QSqlQuery query(db);
            query.exec(QLatin1String(TrustDatabase::certificatesTableStatement));
            query.exec(QLatin1String(TrustDatabase::keysTableStatement));
        }
        return db;
    }
    void closeDatabase()
    {
        QSqlDatabase::database(m_connectionName, false).close();
    }

    // A trust record for good, as the service writes one.
    bool addTrustRecord(const QString &commonName, const QByteArray &der)
    {
        QSqlQuery query(database());
        query.prepare(QStringLiteral("INSERT INTO certificates (subject_cn, installed, trust_type, der_dump) "
                                     "VALUES (?, 1, 1, ?)"));
        query.addBindValue(commonName);
        query.addBindValue(der);
        return query.exec();
    }

    bool addKeyRecord(const QString &keyId, const QString &commonName, int preference)
    {
        QSqlQuery query(database());
        query.prepare(QStringLiteral("INSERT INTO keys (id, cn, auth_preference, domains, der_dump) "
                                     "VALUES (?, ?, ?, 'ssl-user', ?)"));
        query.addBindValue(keyId);
        query.addBindValue(commonName);
        query.addBindValue(preference);
        query.addBindValue(QByteArray("not a key"));
        return query.exec();
    }

    // "ok", or what SQLite found wrong with the file.
    QString integrityCheck()
    {
        QSqlQuery query(database());
        if (!query.exec(QStringLiteral("PRAGMA integrity_check")))
            return query.lastError().text();
        QStringList lines;
        while (query.next())
            lines << query.value(0).toString();
        return lines.join(QLatin1Char('\n'));
    }

    int count(const QString &table)
    {
        QSqlQuery query(database());
        if (!query.exec(QStringLiteral("SELECT COUNT(*) FROM ") + table) || !query.next())
            return -1;
        return query.value(0).toInt();
    }

    // Every file and folder under the device root, relative to it.
    QSet<QString> entries() const
    {
        QSet<QString> found;
        const QDir top(root.path());
        QDirIterator it(root.path(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            found.insert(top.relativeFilePath(it.next()));
        return found;
    }

private:
    QString m_connectionName;
};

} // namespace loadtest

#endif
