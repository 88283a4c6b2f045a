#include "keyrecords.h"

#include "recordcolumns.h"

#include <QSqlQuery>
#include <QVariant>

namespace {

const QString domainSeparator = QStringLiteral(", ");

// The table's text columns are NOT NULL: a certificate without a common name
// or a key for no domain is still recorded, as an empty text.
QVariant notNullText(const QString &text)
{
    return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
}

} // namespace

QString KeyRecords::joinDomains(const QStringList &domains)
{
    return domains.join(domainSeparator);
}

QStringList KeyRecords::splitDomains(const QString &stored)
{
    return stored.split(domainSeparator, Qt::SkipEmptyParts);
}

KeyRecords::Lookup KeyRecords::find(const QString &id, KeyRecord *record)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("SELECT id, auth_preference, cn, domains, der_dump FROM keys WHERE id = ?"));
    query.addBindValue(id);
    if (!RecordColumns::run(query, &m_lastError, &m_lastStatement))
        return Failed;
    if (!query.next())
        return Missing;
    const RecordColumns columns(query);
    record->authPreference = columns.value(query, "auth_preference").toInt();
    record->cn = columns.value(query, "cn").toString();
    record->domains = splitDomains(columns.value(query, "domains").toString());
    record->der = columns.value(query, "der_dump").toByteArray();
    return Found;
}

bool KeyRecords::insert(const QString &id, const KeyRecord &record)
{
    QSqlQuery query;
    query.prepare(
        QStringLiteral("INSERT INTO keys (id, auth_preference, cn, domains, der_dump) VALUES (?, ?, ?, ?, ?)"));
    query.addBindValue(id);
    query.addBindValue(record.authPreference);
    query.addBindValue(notNullText(record.cn));
    query.addBindValue(notNullText(joinDomains(record.domains)));
    query.addBindValue(record.der);
    return RecordColumns::run(query, &m_lastError, &m_lastStatement);
}

bool KeyRecords::remove(const QString &id)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("DELETE FROM keys WHERE id = ?"));
    query.addBindValue(id);
    return RecordColumns::run(query, &m_lastError, &m_lastStatement);
}

bool KeyRecords::setDomains(const QString &id, const QStringList &domains)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("UPDATE keys SET domains = ? WHERE id = ?"));
    query.addBindValue(notNullText(joinDomains(domains)));
    query.addBindValue(id);
    return RecordColumns::run(query, &m_lastError, &m_lastStatement);
}

bool KeyRecords::setPreferenceAndImage(const QString &id, int preference, const QByteArray &der)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("UPDATE keys SET auth_preference = ?, der_dump = ? WHERE id = ?"));
    query.addBindValue(preference);
    query.addBindValue(der);
    query.addBindValue(id);
    return RecordColumns::run(query, &m_lastError, &m_lastStatement);
}

bool KeyRecords::setPreference(const QString &id, int preference)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("UPDATE keys SET auth_preference = ? WHERE id = ?"));
    query.addBindValue(preference);
    query.addBindValue(id);
    return RecordColumns::run(query, &m_lastError, &m_lastStatement);
}

bool KeyRecords::dropImage(const QString &id)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("UPDATE keys SET der_dump = ? WHERE id = ?"));
    query.addBindValue(QByteArray());
    query.addBindValue(id);
    return RecordColumns::run(query, &m_lastError, &m_lastStatement);
}
