#include "trustrecords.h"

#include "recordcolumns.h"
#include "subjectlookup.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

bool TrustRecords::selectBySubject(const QString &subjectCn, QList<TrustRecord> *records)
{
    SubjectLookup lookup;
    const bool selected = lookup.select(subjectCn, records);
    m_lastError = lookup.lastError();
    m_lastStatement = lookup.lastStatement();
    return selected;
}

bool TrustRecords::selectAllCertificates(QList<QByteArray> *derDumps)
{
    QSqlQuery query;
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT * FROM certificates"));
    if (!RecordColumns::run(query, &m_lastError, &m_lastStatement))
        return false;
    const RecordColumns columns(query);
    while (query.next())
        derDumps->append(columns.value(query, "der_dump").toByteArray());
    return true;
}

bool TrustRecords::insert(const QString &subjectCn, int trustType, const QDateTime &trustEnds, const QByteArray &der)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("INSERT INTO certificates (subject_cn, installed, trust_type, trust_ends, der_dump) "
                                 "VALUES (?, 1, ?, ?, ?)"));
    query.addBindValue(subjectCn);
    query.addBindValue(trustType);
    query.addBindValue(trustEnds);
    query.addBindValue(der);
    return RecordColumns::run(query, &m_lastError, &m_lastStatement);
}

bool TrustRecords::renew(qint64 id, int trustType, const QDateTime &trustEnds, int *rowsAffected)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("UPDATE certificates SET trust_type = ?, trust_ends = ? WHERE id = ?"));
    query.addBindValue(trustType);
    query.addBindValue(trustEnds);
    query.addBindValue(id);
    if (!RecordColumns::run(query, &m_lastError, &m_lastStatement))
        return false;
    *rowsAffected = query.numRowsAffected();
    return true;
}

bool TrustRecords::replaceCertificate(qint64 id, int trustType, const std::optional<QDateTime> &trustEnds,
                                      const QByteArray &der)
{
    // Only fixed column names and the trust type number go into the text.
    QString statement = QStringLiteral("UPDATE certificates SET installed = 1, trust_type = %L1, ").arg(trustType);
    if (trustEnds)
        statement += QStringLiteral("trust_ends = ?, ");
    statement += QStringLiteral("der_dump = ? WHERE id = ?");

    QSqlQuery query;
    query.prepare(statement);
    if (trustEnds)
        query.addBindValue(*trustEnds);
    query.addBindValue(der);
    query.addBindValue(id);
    return RecordColumns::run(query, &m_lastError, &m_lastStatement);
}

bool TrustRecords::setTrustType(qint64 id, int trustType)
{
    return setColumn(id, QStringLiteral("trust_type"), QVariant(trustType));
}

bool TrustRecords::setTrustEnds(qint64 id, const QDateTime &trustEnds)
{
    return setColumn(id, QStringLiteral("trust_ends"), QVariant(trustEnds));
}

bool TrustRecords::setColumn(qint64 id, const QString &column, const QVariant &value)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("UPDATE certificates SET ") + column + QStringLiteral(" = ? WHERE id = ?"));
    query.addBindValue(value);
    query.addBindValue(id);
    return RecordColumns::run(query, &m_lastError, &m_lastStatement);
}
