#include "trustdatabase.h"

#include "devicepaths.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

const char *const TrustDatabase::certificatesTableStatement =
    "CREATE TABLE IF NOT EXISTS certificates (id integer PRIMARY KEY, subject_cn varchar NOT NULL, "
    "installed boolean, trust_type tinyint DEFAULT 0, trust_ends datetime, der_dump)";

const char *const TrustDatabase::keysTableStatement =
    "CREATE TABLE IF NOT EXISTS keys (id varchar PRIMARY KEY, cn varchar NOT NULL, "
    "auth_preference tinyint DEFAULT 2, domains varchar NOT NULL, der_dump)";

const char *const TrustDatabase::subjectIndexStatement =
    "CREATE INDEX IF NOT EXISTS certificates_subject_cn ON certificates (subject_cn)";

TrustDatabase::Result TrustDatabase::open(QString *errorText)
{
    const QString path = DevicePaths::trustDatabase();
    createOwnerOnlyFile(path);

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(path);
    if (!db.open()) {
        *errorText = db.lastError().text();
        return OpenFailed;
    }
    if (!execute(certificatesTableStatement, errorText))
        return CertificatesTableFailed;
    if (!execute(keysTableStatement, errorText))
        return KeysTableFailed;
    return Ready;
}

bool TrustDatabase::createSubjectIndex(QString *errorText)
{
    return execute(subjectIndexStatement, errorText);
}

// SQLite would create a missing file with the process's default mode, open to
// other users; the trust records are the user's private business. Anything in
// the way (a missing folder, a folder of that name) is left for the open to
// report.
bool TrustDatabase::createOwnerOnlyFile(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return errno == EEXIST;
    ::close(fd);
    return true;
}

bool TrustDatabase::execute(const char *statement, QString *errorText)
{
    QSqlQuery query;
    if (query.exec(QString::fromLatin1(statement)))
        return true;
    *errorText = query.lastError().text();
    return false;
}
