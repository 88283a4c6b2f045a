#ifndef TRUSTKEEP_TRUSTRECORDS_H
#define TRUSTKEEP_TRUSTRECORDS_H

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>

#include <optional>

// One row of the certificates table: a user's trust decision about a TLS
// server certificate.
struct TrustRecord {
    qint64 id = 0;
    QString subjectCn;
    int trustType = 0; // 2: trusted until trustEnds; anything else: without limit
    QDateTime trustEnds; // invalid when the row holds none or no date-time
    QByteArray derDump; // the certificate's DER image as it arrived
};

// The statements over the certificates table, on the default connection.
// Values are bound, never spliced into a statement; only fixed column names
// and the trust type number are composed into one. Each call reports a
// failure by its result and keeps the driver's words (lastError) and the
// statement (lastStatement) for the caller's log line.
class TrustRecords
{
public:
    // The records of one subject common name, oldest first.
    bool selectBySubject(const QString &subjectCn, QList<TrustRecord> *records);
    // The DER images of every record, in table order.
    bool selectAllCertificates(QList<QByteArray> *derDumps);

    // A new record (installed = 1).
    bool insert(const QString &subjectCn, int trustType, const QDateTime &trustEnds, const QByteArray &der);
    // A new trust for record id; *rowsAffected tells whether the record was
    // still there.
    bool renew(qint64 id, int trustType, const QDateTime &trustEnds, int *rowsAffected);
    // Record id takes another certificate (installed = 1) and the trust type,
    // with a new end when one is given.
    bool replaceCertificate(qint64 id, int trustType, const std::optional<QDateTime> &trustEnds, const QByteArray &der);
    // Record id keeps its certificate and gets one new value.
    bool setTrustType(qint64 id, int trustType);
    bool setTrustEnds(qint64 id, const QDateTime &trustEnds);

    QString lastError() const { return m_lastError; }
    QString lastStatement() const { return m_lastStatement; }

private:
    bool setColumn(qint64 id, const QString &column, const QVariant &value);

    QString m_lastError;
    QString m_lastStatement;
};

#endif
