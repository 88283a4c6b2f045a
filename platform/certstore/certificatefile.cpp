#include "certificatefile.h"

#include "devicefiles.h"

#include <bastra_crypto.h>

#include <openssl/crypto.h>
#include <openssl/x509.h>

#include <cerrno>
#include <cstring>

namespace bastra_internal {

namespace {

// Far above any real certificate; keeps a stray big file from being read.
constexpr size_t maximumCertificateSize = 1024 * 1024;

} // namespace

std::string keyIdText(const bastra_key_id &keyId)
{
    char text[BASTRA_KEY_ID_TEXT_SIZE];
    bastra_certman_key_id_to_str(&keyId, text, sizeof text);
    return text;
}

bool isKeyIdFileName(const char *name)
{
    size_t length = 0;
    for (; name[length]; ++length) {
        const char c = name[length];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')) || length >= 2 * BASTRA_KEY_ID_SIZE)
            return false;
    }
    return length == 2 * BASTRA_KEY_ID_SIZE;
}

int readCertificateFile(const std::string &folder, const std::string &keyIdName, X509 **cert)
{
    *cert = nullptr;
    std::vector<unsigned char> der;
    const int result = readCertificateBytes(folder, keyIdName, &der);
    return result ? result : parseCertificateBytes(folder, keyIdName, der, cert);
}

int readCertificateBytes(const std::string &folder, const std::string &keyIdName, std::vector<unsigned char> *der)
{
    const std::string path = folder + '/' + keyIdName;
    const int result = readSmallFile(path, maximumCertificateSize, der);
    if (result)
        bastra_crypto_set_last_error("cannot read certificate %s: %s", path.c_str(), std::strerror(result));
    return result;
}

int parseCertificateBytes(const std::string &folder, const std::string &keyIdName,
                          const std::vector<unsigned char> &der, X509 **cert)
{
    *cert = nullptr;
    const std::string path = folder + '/' + keyIdName;
    const unsigned char *cursor = der.data();
    X509 *parsed = d2i_X509(nullptr, &cursor, static_cast<long>(der.size()));
    if (!parsed || cursor != der.data() + der.size()) {
        X509_free(parsed);
        bastra_crypto_set_last_error("certificate file %s is damaged", path.c_str());
        return EBADMSG;
    }
    bastra_key_id keyId;
    if (bastra_certman_get_cert_key_id(parsed, &keyId) != 0 || keyIdText(keyId) != keyIdName) {
        X509_free(parsed);
        bastra_crypto_set_last_error("certificate file %s does not hold the certificate of that key id", path.c_str());
        return EBADMSG;
    }
    *cert = parsed;
    return 0;
}

int writeCertificateFile(const std::string &folder, X509 *cert, const bastra_key_id &keyId)
{
    unsigned char *der = nullptr;
    const int length = i2d_X509(cert, &der);
    if (length <= 0) {
        bastra_crypto_set_last_error("certificate cannot be encoded");
        return EINVAL;
    }
    const std::string path = folder + '/' + keyIdText(keyId);
    const int result = writeFileAtomically(path, der, static_cast<size_t>(length), false);
    OPENSSL_free(der);
    if (result == EEXIST)
        bastra_crypto_set_last_error("certificate %s is already in the domain", keyIdText(keyId).c_str());
    else if (result)
        bastra_crypto_set_last_error("cannot write certificate %s: %s", path.c_str(), std::strerror(result));
    return result;
}

} // namespace bastra_internal
