#ifndef TRUSTKEEP_RECORDCOLUMNS_H
#define TRUSTKEEP_RECORDCOLUMNS_H

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QVariant>

// Reads a result row by column name, so a table whose columns lie in another
// order still gives each value its meaning. A column the table lacks reads as
// an invalid value (null, 0, empty), never as its neighbour's.
class RecordColumns
{
public:
    explicit RecordColumns(const QSqlQuery &query)
        : m_record(query.record())
    {
    }

    QVariant value(const QSqlQuery &query, const char *column) const
    {
        const int index = m_record.indexOf(QLatin1String(column));
        return index < 0 ? QVariant() : query.value(index);
    }

    // Executes the prepared statement; on failure keeps the driver's words
    // and the statement for the caller's log line.
    static bool run(QSqlQuery &query, QString *error, QString *statement)
    {
        if (query.exec())
            return true;
        *error = query.lastError().text();
        *statement = query.lastQuery();
        return false;
    }

private:
    QSqlRecord m_record;
};

#endif
