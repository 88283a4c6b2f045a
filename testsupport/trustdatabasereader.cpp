#include "trustdatabasereader.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

TrustDatabaseReader::TrustDatabaseReader(const QString &path)
    : m_path(path)
    , m_connectionName(QStringLiteral("trustdatabasereader-%1").arg(reinterpret_cast<quintptr>(this)))
{
}

TrustDatabaseReader::~TrustDatabaseReader()
{
    close();
    QSqlDatabase::removeDatabase(m_connectionName);
}

QSqlDatabase TrustDatabaseReader::database()
{
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (!db.isValid()) {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
        db.setDatabaseName(m_path);
        // The service may be writing at the same moment.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=30000"));
    }
    if (!db.isOpen())
        db.open();
    return db;
}

void TrustDatabaseReader::close()
{
    QSqlDatabase::database(m_connectionName, false).close();
}

bool TrustDatabaseReader::execute(const QString &statement, const QVariantList &values)
{
    QSqlQuery query(database());
    if (!query.prepare(statement))
        return false;
    for (const QVariant &value : values)
        query.addBindValue(value);
    return query.exec();
}

QStringList TrustDatabaseReader::column(const QString &statement)
{
    QStringList values;
    QSqlQuery query(database());
    if (query.exec(statement)) {
        while (query.next())
            values << query.value(0).toString();
    }
    return values;
}

qint64 TrustDatabaseReader::addTrustRecord(const QString &subjectCn, const QVariant &trustType,
                                           const QVariant &trustEnds, const QByteArray &der)
{
    QSqlQuery query(database());
    query.prepare(QStringLiteral("INSERT INTO certificates (subject_cn, installed, trust_type, trust_ends, der_dump) "
                                 "VALUES (?, 1, ?, ?, ?)"));
    for (const QVariant &value : { QVariant(subjectCn), trustType, trustEnds, QVariant(der) })
        query.addBindValue(value);
    return query.exec() ? query.lastInsertId().toLongLong() : -1;
}

bool TrustDatabaseReader::addKeyRecord(const QString &keyId, const QString &cn, int preference, const QString &domains,
                                       const QByteArray &der)
{
    return execute(
        QStringLiteral("INSERT INTO keys (id, auth_preference, cn, domains, der_dump) VALUES (?, ?, ?, ?, ?)"),
        { keyId, preference, cn, domains, der });
}

QList<TrustRow> TrustDatabaseReader::trustRecords()
{
    QList<TrustRow> rows;
    QSqlQuery query(database());
    query.exec(QStringLiteral("SELECT id, subject_cn, installed, trust_type, trust_ends, der_dump "
                              "FROM certificates ORDER BY id"));
    while (query.next()) {
        TrustRow row;
        row.id = query.value(0).toLongLong();
        row.subjectCn = query.value(1).toString();
        row.installed = query.value(2);
        row.trustType = query.value(3);
        row.trustEnds = query.value(4);
        row.der = query.value(5).toByteArray();
        rows << row;
    }
    return rows;
}

KeyRow TrustDatabaseReader::keyRow(const QString &keyId)
{
    KeyRow row;
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT auth_preference, cn, domains, der_dump FROM keys WHERE id = ?"));
    query.addBindValue(keyId);
    if (query.exec() && query.next()) {
        row.exists = true;
        row.preference = query.value(0).toInt();
        row.cn = query.value(1).toString();
        row.domains = query.value(2).toString();
        row.der = query.value(3).toByteArray();
    }
    return row;
}

int TrustDatabaseReader::count(const QString &table)
{
    QSqlQuery query(database());
    if (!query.exec(QStringLiteral("SELECT COUNT(*) FROM ") + table) || !query.next())
        return -1;
    return query.value(0).toInt();
}

QString TrustDatabaseReader::integrityCheck()
{
    QSqlQuery query(database());
    if (!query.exec(QStringLiteral("PRAGMA integrity_check")))
        return query.lastError().text();
    QStringList lines;
    while (query.next())
        lines << query.value(0).toString();
    return lines.join(QLatin1Char('\n'));
}
