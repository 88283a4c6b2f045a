#ifndef TRUSTKEEP_KEYRECORDS_H
#define TRUSTKEEP_KEYRECORDS_H

#include <QByteArray>
#include <QString>
#include <QStringList>

// One row of the keys table, as read into memory.
struct KeyRecord {
    int authPreference = -1; // 0 no action, 1 notify, 2 password
    QString cn; // common name of the key's certificate
    QStringList domains; // store domains the key serves
    QByteArray der; // DER image for preferences 0 and 1, else empty
};

// The statements over the keys table, on the default connection, each for
// the record of one key id (its textual form). The domains are stored as one
// text, joined with ", ", and read back split there without empty parts.
// Each call reports a failure by its result and keeps the driver's words
// (lastError) and the statement (lastStatement) for the caller's log line.
class KeyRecords
{
public:
    enum Lookup {
        Found,
        Missing,
        Failed
    };

    Lookup find(const QString &id, KeyRecord *record);
    bool insert(const QString &id, const KeyRecord &record);
    bool remove(const QString &id);
    bool setDomains(const QString &id, const QStringList &domains);
    // The preference with the key's DER image (preferences 0 and 1).
    bool setPreferenceAndImage(const QString &id, int preference, const QByteArray &der);
    // The preference alone (2: the image stays as it is until dropImage).
    bool setPreference(const QString &id, int preference);
    bool dropImage(const QString &id);

    QString lastError() const { return m_lastError; }
    QString lastStatement() const { return m_lastStatement; }

    static QString joinDomains(const QStringList &domains);
    static QStringList splitDomains(const QString &stored);

private:
    QString m_lastError;
    QString m_lastStatement;
};

#endif
