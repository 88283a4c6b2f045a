#include "certificatefile.h"
#include "devicefiles.h"
#include "storepaths.h"

#include <bastra_certman.h>
#include <bastra_crypto.h>

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include <cerrno>
#include <cstring>
#include <vector>

// Private keys are kept one file per key id, as PKCS#8 encrypted under the
// password with AES-256-CBC and a PBKDF2-SHA256 key, so a stolen file costs
// an attacker a slow guess per password.

using namespace bastra_internal;

namespace {

constexpr int pbkdf2Iterations = 100000;
constexpr size_t maximumKeyFileSize = 1024 * 1024;
// A damaged or planted key file must not tie the caller up for hours.
constexpr long maximumIterations = 10000000;

std::string keyPath(const bastra_key_id &keyId)
{
    return keyFolder() + '/' + keyIdText(keyId);
}

int checkPassword(const char *password, const char *operation)
{
    if (!password) {
        bastra_crypto_set_last_error("%s: no password (use \"\" for an empty one)", operation);
        return EINVAL;
    }
    if (std::strlen(password) > 1024) {
        bastra_crypto_set_last_error("%s: password too long", operation);
        return EINVAL;
    }
    return 0;
}

// The key must be the one the key id names, or it could never be found again
// through its certificate.
int checkKeyMatches(const bastra_key_id &keyId, EVP_PKEY *key, const char *operation)
{
    bastra_key_id actual;
    if (bastra_certman_get_key_key_id(key, &actual) != 0)
        return EINVAL;
    if (std::memcmp(actual.data, keyId.data, BASTRA_KEY_ID_SIZE) != 0) {
        bastra_crypto_set_last_error("%s: the key does not belong to key id %s", operation, keyIdText(keyId).c_str());
        return EINVAL;
    }
    return 0;
}

// DER of the encrypted PKCS#8 form, or empty on failure.
std::vector<unsigned char> encryptKey(EVP_PKEY *key, const char *password)
{
    std::vector<unsigned char> der;
    PKCS8_PRIV_KEY_INFO *info = EVP_PKEY2PKCS8(key);
    X509_ALGOR *algorithm = info
        ? PKCS5_pbe2_set_iv(EVP_aes_256_cbc(), pbkdf2Iterations, nullptr, 0, nullptr, NID_hmacWithSHA256)
        : nullptr;
    X509_SIG *sealed =
        algorithm ? PKCS8_set0_pbe(password, static_cast<int>(std::strlen(password)), info, algorithm) : nullptr;
    if (!sealed)
        X509_ALGOR_free(algorithm); // only taken over on success
    PKCS8_PRIV_KEY_INFO_free(info);
    unsigned char *bytes = nullptr;
    const int length = sealed ? i2d_X509_SIG(sealed, &bytes) : 0;
    if (length > 0)
        der.assign(bytes, bytes + length);
    OPENSSL_free(bytes);
    X509_SIG_free(sealed);
    return der;
}

// Only the protection this store writes is accepted: PBES2 with PBKDF2 and a
// sane iteration count.
bool hasKnownProtection(const X509_SIG *sealed)
{
    const X509_ALGOR *algorithm = nullptr;
    X509_SIG_get0(sealed, &algorithm, nullptr);
    if (!algorithm || OBJ_obj2nid(algorithm->algorithm) != NID_pbes2)
        return false;
    PBE2PARAM *scheme =
        static_cast<PBE2PARAM *>(ASN1_TYPE_unpack_sequence(ASN1_ITEM_rptr(PBE2PARAM), algorithm->parameter));
    PBKDF2PARAM *kdf = scheme && OBJ_obj2nid(scheme->keyfunc->algorithm) == NID_id_pbkdf2
        ? static_cast<PBKDF2PARAM *>(ASN1_TYPE_unpack_sequence(ASN1_ITEM_rptr(PBKDF2PARAM), scheme->keyfunc->parameter))
        : nullptr;
    const long iterations = kdf ? ASN1_INTEGER_get(kdf->iter) : 0;
    PBKDF2PARAM_free(kdf);
    PBE2PARAM_free(scheme);
    return iterations > 0 && iterations <= maximumIterations;
}

} // namespace

extern "C" int bastra_certman_store_key(const bastra_key_id *key_id, EVP_PKEY *key, const char *password)
{
    const char *operation = "bastra_certman_store_key";
    if (!key_id || !key) {
        bastra_crypto_set_last_error("%s: missing argument", operation);
        return EINVAL;
    }
    int result = checkPassword(password, operation);
    if (!result)
        result = checkKeyMatches(*key_id, key, operation);
    if (result)
        return result;
    std::vector<unsigned char> der = encryptKey(key, password);
    if (der.empty()) {
        bastra_crypto_set_last_error("%s: the key cannot be encrypted", operation);
        return EINVAL;
    }
    result = makeFolders(keyFolder(), 0700);
    if (!result)
        result = writeFileAtomically(keyPath(*key_id), der.data(), der.size(), true);
    if (result)
        bastra_crypto_set_last_error("%s: cannot write %s: %s", operation, keyPath(*key_id).c_str(),
                                     std::strerror(result));
    return result;
}

extern "C" int bastra_certman_retrieve_key(const bastra_key_id *key_id, EVP_PKEY **key, const char *password)
{
    const char *operation = "bastra_certman_retrieve_key";
    if (key)
        *key = nullptr;
    if (!key_id || !key) {
        bastra_crypto_set_last_error("%s: missing argument", operation);
        return EINVAL;
    }
    int result = checkPassword(password, operation);
    if (result)
        return result;
    const std::string path = keyPath(*key_id);
    std::vector<unsigned char> der;
    result = readSmallFile(path, maximumKeyFileSize, &der);
    if (result) {
        bastra_crypto_set_last_error("%s: %s: %s", operation, path.c_str(),
                                     result == ENOENT ? "no key stored" : std::strerror(result));
        return result;
    }
    const unsigned char *cursor = der.data();
    X509_SIG *sealed = d2i_X509_SIG(nullptr, &cursor, static_cast<long>(der.size()));
    if (!sealed || cursor != der.data() + der.size() || !hasKnownProtection(sealed)) {
        X509_SIG_free(sealed);
        bastra_crypto_set_last_error("%s: key file %s is damaged", operation, path.c_str());
        return EBADMSG;
    }
    PKCS8_PRIV_KEY_INFO *info = PKCS8_decrypt(sealed, password, static_cast<int>(std::strlen(password)));
    X509_SIG_free(sealed);
    EVP_PKEY *opened = info ? EVP_PKCS82PKEY(info) : nullptr;
    PKCS8_PRIV_KEY_INFO_free(info);
    if (!opened) {
        bastra_crypto_set_last_error("%s: wrong password for key %s", operation, keyIdText(*key_id).c_str());
        return EACCES;
    }
    if (checkKeyMatches(*key_id, opened, operation) != 0) {
        EVP_PKEY_free(opened);
        bastra_crypto_set_last_error("%s: key file %s holds another key", operation, path.c_str());
        return EBADMSG;
    }
    *key = opened;
    return 0;
}

extern "C" int bastra_certman_remove_key(const bastra_key_id *key_id)
{
    if (!key_id) {
        bastra_crypto_set_last_error("bastra_certman_remove_key: no key id");
        return EINVAL;
    }
    const std::string path = keyPath(*key_id);
    const int result = removeFile(path);
    if (result)
        bastra_crypto_set_last_error("bastra_certman_remove_key: %s: %s", path.c_str(),
                                     result == ENOENT ? "no key stored" : std::strerror(result));
    return result;
}
