#include <bastra_certman.h>
#include <bastra_crypto.h>

#include <openssl/evp.h>
#include <openssl/sha.h>
#include <openssl/x509.h>

#include <cerrno>
#include <cstring>

// A key id is the SHA-1 of the subject public key bits, the same bytes for a
// certificate and for its private key, so either leads to the other.

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

extern "C" int bastra_certman_str_to_key_id(const char *text, bastra_key_id *key_id)
{
    if (!text || !key_id) {
        bastra_crypto_set_last_error("bastra_certman_str_to_key_id: missing argument");
        return EINVAL;
    }
    const size_t length = strnlen(text, 2 * BASTRA_KEY_ID_SIZE + 1);
    if (length != 2 * BASTRA_KEY_ID_SIZE) {
        bastra_crypto_set_last_error("bastra_certman_str_to_key_id: a key id is %d hex digits", 2 * BASTRA_KEY_ID_SIZE);
        return EINVAL;
    }
    bastra_key_id parsed;
    for (size_t i = 0; i < BASTRA_KEY_ID_SIZE; ++i) {
        const int high = hexValue(text[2 * i]);
        const int low = hexValue(text[2 * i + 1]);
        if (high < 0 || low < 0) {
            bastra_crypto_set_last_error("bastra_certman_str_to_key_id: not a hex digit at offset %zu",
                                         high < 0 ? 2 * i : 2 * i + 1);
            return EINVAL;
        }
        parsed.data[i] = static_cast<unsigned char>(high << 4 | low);
    }
    *key_id = parsed;
    return 0;
}

extern "C" int bastra_certman_key_id_to_str(const bastra_key_id *key_id, char *text, size_t size)
{
    if (!key_id || !text) {
        bastra_crypto_set_last_error("bastra_certman_key_id_to_str: missing argument");
        return EINVAL;
    }
    if (size < BASTRA_KEY_ID_TEXT_SIZE) {
        bastra_crypto_set_last_error("bastra_certman_key_id_to_str: buffer needs %d bytes", BASTRA_KEY_ID_TEXT_SIZE);
        return ERANGE;
    }
    static const char digits[] = "0123456789abcdef";
    for (size_t i = 0; i < BASTRA_KEY_ID_SIZE; ++i) {
        text[2 * i] = digits[key_id->data[i] >> 4];
        text[2 * i + 1] = digits[key_id->data[i] & 15];
    }
    text[2 * BASTRA_KEY_ID_SIZE] = '\0';
    return 0;
}

extern "C" int bastra_certman_get_cert_key_id(X509 *cert, bastra_key_id *key_id)
{
    if (!cert || !key_id) {
        bastra_crypto_set_last_error("bastra_certman_get_cert_key_id: missing argument");
        return EINVAL;
    }
    unsigned int length = 0;
    unsigned char digest[EVP_MAX_MD_SIZE];
    if (X509_pubkey_digest(cert, EVP_sha1(), digest, &length) != 1 || length != BASTRA_KEY_ID_SIZE) {
        bastra_crypto_set_last_error("bastra_certman_get_cert_key_id: certificate has no usable public key");
        return EINVAL;
    }
    std::memcpy(key_id->data, digest, BASTRA_KEY_ID_SIZE);
    return 0;
}

extern "C" int bastra_certman_get_key_key_id(EVP_PKEY *key, bastra_key_id *key_id)
{
    if (!key || !key_id) {
        bastra_crypto_set_last_error("bastra_certman_get_key_key_id: missing argument");
        return EINVAL;
    }
    X509_PUBKEY *publicKey = nullptr;
    const unsigned char *bits = nullptr;
    int bitsLength = 0;
    const bool found = X509_PUBKEY_set(&publicKey, key) == 1
        && X509_PUBKEY_get0_param(nullptr, &bits, &bitsLength, nullptr, publicKey) == 1;
    if (found)
        SHA1(bits, static_cast<size_t>(bitsLength), key_id->data);
    X509_PUBKEY_free(publicKey);
    if (!found) {
        bastra_crypto_set_last_error("bastra_certman_get_key_key_id: key has no usable public part");
        return EINVAL;
    }
    return 0;
}
