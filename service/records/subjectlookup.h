#ifndef TRUSTKEEP_SUBJECTLOOKUP_H
#define TRUSTKEEP_SUBJECTLOOKUP_H

#include "trustrecords.h"

#include <QList>
#include <QString>

#include <memory>

class QSqlQuery;

// The server check's lookup: the trust records of one subject common name,
// oldest first, on the default connection. The statement is prepared once
// and kept for the object's life, since a check of a trusted certificate is
// little more than this lookup and preparing it costs more than running it.
// Each lookup reads all its rows and lets go of the statement before it
// returns, so no read stays open while the caller waits for the user, and a
// lookup made in a nested call finds the statement free. A failed statement
// is prepared afresh on the next lookup.
class SubjectLookup
{
public:
    SubjectLookup();
    ~SubjectLookup();
    SubjectLookup(const SubjectLookup &) = delete;
    SubjectLookup &operator=(const SubjectLookup &) = delete;

    bool select(const QString &subjectCn, QList<TrustRecord> *records);

    QString lastError() const { return m_lastError; }
    QString lastStatement() const { return m_lastStatement; }

private:
    std::unique_ptr<QSqlQuery> m_query; // null until prepared
    QString m_lastError;
    QString m_lastStatement;
};

#endif
