#ifndef BASTRA_OPENSSLOWNERS_H
#define BASTRA_OPENSSLOWNERS_H

// Owners of OpenSSL objects inside the platform libraries: each frees its
// object with the object's own free function. Private to the platform
// libraries (the product has its own in common/, as it cannot see these).

#include <memory>

#include <openssl/evp.h>
#include <openssl/x509.h>

struct X509Free {
    void operator()(X509 *cert) const { X509_free(cert); }
};
struct EvpPkeyFree {
    void operator()(EVP_PKEY *key) const { EVP_PKEY_free(key); }
};
using OwnedX509 = std::unique_ptr<X509, X509Free>;
using OwnedKey = std::unique_ptr<EVP_PKEY, EvpPkeyFree>;

#endif
