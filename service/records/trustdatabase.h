#ifndef TRUSTKEEP_TRUSTDATABASE_H
#define TRUSTKEEP_TRUSTDATABASE_H

#include <QString>

// The service's own records: server trust decisions (`certificates`) and the
// private keys it installed (`keys`), in one SQLite file on Qt's default
// connection. Every other part of the program reaches the records through
// that connection and never opens one of its own.
//
// The class reports what went wrong and the driver's words for it; the
// caller decides how to log it, so the log line names the start-up code.
class TrustDatabase
{
public:
    enum Result {
        Ready, // open, both tables exist
        OpenFailed, // the file could not be opened
        CertificatesTableFailed, // the certificates statement failed
        KeysTableFailed // the keys statement failed
    };

    static const char *const certificatesTableStatement;
    static const char *const keysTableStatement;
    static const char *const subjectIndexStatement;

    // Opens the database file on the default connection and creates the two
    // tables when they are missing. On failure errorText gets the driver's or
    // the statement's error text. A new file is created readable by its
    // owner only, before SQLite sees it.
    static Result open(QString *errorText);

    // Lets the server check find a subject's records without a full scan.
    // False (with the error text) when the index cannot be made, e.g. on an
    // existing database whose certificates table has other columns; the
    // database is still usable then.
    static bool createSubjectIndex(QString *errorText);

private:
    static bool createOwnerOnlyFile(const QString &path);
    static bool execute(const char *statement, QString *errorText);
};

#endif
