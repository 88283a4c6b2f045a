#ifndef FILECONTENTS_H
#define FILECONTENTS_H

#include <memory>
#include <vector>

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

// What a certificate file held, in file order, before keys are matched to
// their certificates.
struct FileContents {
    std::vector<OwnedX509> certificates;
    std::vector<OwnedKey> keys;
};

// How reading a file's contents ended.
enum class ReadResult {
    Read,      // contents filled (possibly empty)
    Cancelled, // the user declined to give a password
    Failed     // the data is not of the expected format
};

#endif
