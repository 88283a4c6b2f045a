#ifndef TRUSTKEEP_OPENSSLPOINTERS_H
#define TRUSTKEEP_OPENSSLPOINTERS_H

#include <QSharedPointer>

#include <openssl/evp.h>
#include <openssl/x509.h>

// Shared owners of OpenSSL objects: the object is freed with its own free
// function when the last copy goes. Use .data() to pass it to a C API that
// only borrows it; adopt...() takes over a pointer the caller owns.
using X509Ptr = QSharedPointer<X509>;
using KeyPtr = QSharedPointer<EVP_PKEY>;

inline X509Ptr adoptX509(X509 *cert)
{
    return cert ? X509Ptr(cert, X509_free) : X509Ptr();
}

inline KeyPtr adoptKey(EVP_PKEY *key)
{
    return key ? KeyPtr(key, EVP_PKEY_free) : KeyPtr();
}

#endif
