#ifndef TRUSTKEEP_OPENSSLOWNERS_H
#define TRUSTKEEP_OPENSSLOWNERS_H

#include <bastra_crypto.h>

#include <QSharedPointer>

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>

// Owners of the C objects the product handles: each frees its object with
// the object's own free function when it goes. Hand the raw pointer (.get())
// to a C API that only borrows it; release() when the API takes it over.
struct X509Free {
    void operator()(X509 *cert) const { X509_free(cert); }
};
struct EvpPkeyFree {
    void operator()(EVP_PKEY *key) const { EVP_PKEY_free(key); }
};
// Buffers of the crypto library and the certificate store (Base64 results,
// encrypted data) go back through bastra_crypto_free, which wipes them.
struct CryptoBufferFree {
    void operator()(void *buffer) const { bastra_crypto_free(buffer); }
};

using X509Owner = std::unique_ptr<X509, X509Free>;
using KeyOwner = std::unique_ptr<EVP_PKEY, EvpPkeyFree>;
using CryptoBuffer = std::unique_ptr<unsigned char, CryptoBufferFree>;
using CryptoText = std::unique_ptr<char, CryptoBufferFree>;

// Shared ownership, for material that several holders keep (test
// certificates handed around); the object goes with its last holder.
using SharedX509 = QSharedPointer<X509>;
using SharedKey = QSharedPointer<EVP_PKEY>;

inline SharedX509 shareX509(X509 *cert)
{
    return cert ? SharedX509(cert, X509Free()) : SharedX509();
}

inline SharedKey shareKey(EVP_PKEY *key)
{
    return key ? SharedKey(key, EvpPkeyFree()) : SharedKey();
}

#endif
