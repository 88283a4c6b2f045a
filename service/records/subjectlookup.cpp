#include "subjectlookup.h"

#include "recordcolumns.h"

#include <QSqlQuery>

SubjectLookup::SubjectLookup() = default;
SubjectLookup::~SubjectLookup() = default;

bool SubjectLookup::select(const QString &subjectCn, QList<TrustRecord> *records)
{
    if (!m_query) {
        m_query.reset(new QSqlQuery);
        m_query->setForwardOnly(true);
        m_query->prepare(QStringLiteral("SELECT * FROM certificates WHERE subject_cn = ? ORDER BY id ASC"));
    }
    QSqlQuery &query = *m_query;
    query.bindValue(0, subjectCn);
    if (!RecordColumns::run(query, &m_lastError, &m_lastStatement)) {
        m_query.reset();
        return false;
    }
    const RecordColumns columns(query);
    while (query.next()) {
        TrustRecord record;
        record.id = columns.value(query, "id").toLongLong();
        record.subjectCn = columns.value(query, "subject_cn").toString();
        record.trustType = columns.value(query, "trust_type").toInt();
        record.trustEnds = columns.value(query, "trust_ends").toDateTime();
        record.derDump = columns.value(query, "der_dump").toByteArray();
        records->append(record);
    }
    query.finish();
    return true;
}
