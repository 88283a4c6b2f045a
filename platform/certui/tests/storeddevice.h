#ifndef STOREDDEVICE_H
#define STOREDDEVICE_H

#include <certificatefactory.h>
#include <privatebus.h>
#include <temporarydeviceroot.h>

#include <bastra_certman.h>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

// An emulated device whose store and trust database a test fills directly,
// with the real service on a private bus of its own to list them.
class StoredDevice
{
public:
    TemporaryDeviceRoot root;
    PrivateBus bus{ root.path() };

    StoredDevice()
        : m_connection(QStringLiteral("stored-%1").arg(quintptr(this)))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        db.setDatabaseName(root.resolve(QStringLiteral("/home/user/private/trustkeep.db")));
        // The service's own tables, so it finds the rows the test puts there.
        m_ready = root.isValid() && bus.isRunning() && db.open()
            && QSqlQuery(db).exec(QStringLiteral(
                "CREATE TABLE IF NOT EXISTS certificates (id integer PRIMARY KEY, subject_cn varchar NOT NULL, "
                "installed boolean, trust_type tinyint DEFAULT 0, trust_ends datetime, der_dump)"))
            && QSqlQuery(db).exec(
                QStringLiteral("CREATE TABLE IF NOT EXISTS keys (id varchar PRIMARY KEY, cn varchar NOT NULL, "
                               "auth_preference tinyint DEFAULT 2, domains varchar NOT NULL, der_dump)"));
    }
    ~StoredDevice()
    {
        {
            QSqlDatabase::database(m_connection, false).close();
        }
        QSqlDatabase::removeDatabase(m_connection);
    }

    bool isReady() const { return m_ready; }

    static QString keyIdText(X509 *cert)
    {
        bastra_key_id id;
        char text[BASTRA_KEY_ID_TEXT_SIZE];
        if (!cert || bastra_certman_get_cert_key_id(cert, &id) != 0
            || bastra_certman_key_id_to_str(&id, text, sizeof text) != 0)
            return QString();
        return QString::fromLatin1(text);
    }

    // Into a private (user) domain, as the store keeps it: the DER in a
    // file named by the key id.
    bool addToDomain(const QString &domain, X509 *cert)
    {
        const QString id = keyIdText(cert);
        return !id.isEmpty()
            && CertificateFactory::writeFile(root.privateDomainFolder(domain) + QLatin1Char('/') + id,
                                             CertificateFactory::toDer(cert));
    }

    bool addTrustRecord(const QString &commonName, const QByteArray &der)
    {
        return exec(QStringLiteral("INSERT INTO certificates (subject_cn, installed, trust_type, der_dump) "
                                   "VALUES (?, 1, 1, ?)"),
                    { commonName, der });
    }

    bool addKeyRecord(X509 *cert, const QString &commonName, int preference, const QString &domains)
    {
        return exec(QStringLiteral("INSERT INTO keys (id, cn, auth_preference, domains, der_dump) "
                                   "VALUES (?, ?, ?, ?, ?)"),
                    { keyIdText(cert), commonName, preference, domains, QByteArray() });
    }

private:
    bool exec(const QString &statement, const QVariantList &values)
    {
        QSqlQuery query(QSqlDatabase::database(m_connection));
        query.prepare(statement);
        for (const QVariant &value : values)
            query.addBindValue(value);
        return query.exec();
    }

    QString m_connection;
    bool m_ready = false;
};

#endif
