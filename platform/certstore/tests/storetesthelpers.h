#ifndef TRUSTKEEP_STORETESTHELPERS_H
#define TRUSTKEEP_STORETESTHELPERS_H

#include "certificatefactory.h"

#include <bastra_certman.h>
#include <bastra_crypto.h>

#include <QFile>
#include <QString>

#include <cstring>
#include <sys/stat.h>

// Small helpers shared by the store's tests.

inline bastra_key_id keyIdOf(X509 *cert)
{
    bastra_key_id id{};
    bastra_certman_get_cert_key_id(cert, &id);
    return id;
}

inline QString keyIdText(const bastra_key_id &id)
{
    char text[BASTRA_KEY_ID_TEXT_SIZE];
    bastra_certman_key_id_to_str(&id, text, sizeof text);
    return QString::fromLatin1(text);
}

inline QString keyIdText(X509 *cert)
{
    return keyIdText(keyIdOf(cert));
}

// Permission bits of a path, or -1 when it does not exist.
inline int modeOf(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 07777);
}

inline bool sameCertificate(X509 *a, X509 *b)
{
    return a && b && X509_cmp(a, b) == 0;
}

// An open domain closed when the scope ends.
class OpenDomain
{
public:
    OpenDomain(const char *name, int mode) { result = bastra_certman_open_domain(name, mode, &handle); }
    ~OpenDomain()
    {
        if (handle)
            bastra_certman_close_domain(handle);
    }
    OpenDomain(const OpenDomain &) = delete;
    OpenDomain &operator=(const OpenDomain &) = delete;

    bastra_domain handle = nullptr;
    int result = -1;
};

#endif
