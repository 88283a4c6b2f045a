#ifndef TRUSTKEEP_TRUSTDATABASEREADER_H
#define TRUSTKEEP_TRUSTDATABASEREADER_H

#include <QByteArray>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

// One row of the certificates table, as stored.
struct TrustRow {
    qint64 id = 0;
    QString subjectCn;
    QVariant installed;
    QVariant trustType;
    QVariant trustEnds;
    QByteArray der;

    bool operator==(const TrustRow &o) const
    {
        return id == o.id && subjectCn == o.subjectCn && installed == o.installed && trustType == o.trustType
            && trustEnds == o.trustEnds && der == o.der;
    }
};

// One row of the keys table; exists is false when there is none.
struct KeyRow {
    bool exists = false;
    int preference = -1;
    QString cn;
    QString domains;
    QByteArray der;
};

// The test's own connection to a trust database file: seeds records as the
// service would have written them and reads back what it wrote. It never
// creates tables (the service does), so it checks the service's layout.
class TrustDatabaseReader
{
public:
    explicit TrustDatabaseReader(const QString &path);
    ~TrustDatabaseReader();
    TrustDatabaseReader(const TrustDatabaseReader &) = delete;
    TrustDatabaseReader &operator=(const TrustDatabaseReader &) = delete;

    QSqlDatabase database();
    void close();

    bool execute(const QString &statement, const QVariantList &values = QVariantList());
    // The first column of every row the statement yields.
    QStringList column(const QString &statement);
    // A trust record; its id, or -1.
    qint64 addTrustRecord(const QString &subjectCn, const QVariant &trustType, const QVariant &trustEnds,
                          const QByteArray &der);
    bool addKeyRecord(const QString &keyId, const QString &cn, int preference, const QString &domains,
                      const QByteArray &der);
    QList<TrustRow> trustRecords();
    KeyRow keyRow(const QString &keyId);
    int count(const QString &table); // -1 when the table cannot be read
    QString integrityCheck(); // "ok", or what SQLite found wrong

private:
    QString m_path;
    QString m_connectionName;
};

#endif
