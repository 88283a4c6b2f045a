#include "cryptobuffer.h"
#include "devicesecret.h"

#include <bastra_crypto.h>

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/kdf.h>
#include <openssl/rand.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>

// Data for a credential token is sealed with AES-256-GCM under a key that only
// this device and this token lead to: HKDF-SHA256 over the device secret with
// the token as context. The sealed form is
//   version (1 byte) | nonce (12) | ciphertext (as long as the data) | tag (16)
// and the version byte is authenticated too, so any change is detected.

namespace {

constexpr unsigned char formatVersion = 1;
constexpr size_t keySize = 32;
constexpr size_t nonceSize = 12;
constexpr size_t tagSize = 16;
constexpr size_t overhead = 1 + nonceSize + tagSize;
constexpr size_t chunkSize = size_t(1) << 30; // EVP updates take int lengths

const unsigned char kdfSalt[] = "bastra-crypto token key v1";

struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX *context) const { EVP_CIPHER_CTX_free(context); }
};
struct KdfContextFree {
    void operator()(EVP_PKEY_CTX *context) const { EVP_PKEY_CTX_free(context); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree>;

// Wipes the derived key however the operation ends.
struct TokenKey {
    unsigned char bytes[keySize];
    ~TokenKey() { OPENSSL_cleanse(bytes, sizeof bytes); }
};

int deriveKey(const char *token, TokenKey *key)
{
    unsigned char secret[bastra_internal::deviceSecretSize];
    int result = bastra_internal::loadDeviceSecret(secret);
    if (result)
        return result;
    std::unique_ptr<EVP_PKEY_CTX, KdfContextFree> context(EVP_PKEY_CTX_new_id(EVP_PKEY_HKDF, nullptr));
    size_t length = keySize;
    const bool derived = context && EVP_PKEY_derive_init(context.get()) > 0
        && EVP_PKEY_CTX_set_hkdf_md(context.get(), EVP_sha256()) > 0
        && EVP_PKEY_CTX_set1_hkdf_salt(context.get(), kdfSalt, sizeof kdfSalt - 1) > 0
        && EVP_PKEY_CTX_set1_hkdf_key(context.get(), secret, sizeof secret) > 0
        && EVP_PKEY_CTX_add1_hkdf_info(context.get(), reinterpret_cast<const unsigned char *>(token),
                                       static_cast<int>(std::strlen(token)))
            > 0
        && EVP_PKEY_derive(context.get(), key->bytes, &length) > 0 && length == keySize;
    OPENSSL_cleanse(secret, sizeof secret);
    if (!derived) {
        bastra_crypto_set_last_error("key derivation for the token failed");
        return EIO;
    }
    return 0;
}

// Runs data through an initialised cipher in pieces that fit an int.
bool update(EVP_CIPHER_CTX *context, const unsigned char *in, size_t length, unsigned char *out)
{
    while (length > 0) {
        const size_t piece = length < chunkSize ? length : chunkSize;
        int written = 0;
        if (EVP_CipherUpdate(context, out, &written, in, static_cast<int>(piece)) != 1
            || static_cast<size_t>(written) != piece)
            return false;
        in += piece;
        out += piece;
        length -= piece;
    }
    return true;
}

int checkArguments(const char *operation, const void *data, size_t length, const char *token, unsigned char **out,
                   size_t *outLength)
{
    if (out)
        *out = nullptr;
    if (outLength)
        *outLength = 0;
    if (!out || !outLength || (!data && length)) {
        bastra_crypto_set_last_error("%s: missing argument", operation);
        return EINVAL;
    }
    if (!bastra_crypto_token_is_valid(token)) {
        bastra_crypto_set_last_error("%s: token refused (expected package::Name)", operation);
        return EINVAL;
    }
    return 0;
}

// Sets up GCM for one message: key, nonce and the authenticated version byte.
CipherContext startCipher(const TokenKey &key, const unsigned char *nonce, bool encrypt)
{
    CipherContext context(EVP_CIPHER_CTX_new());
    int ignored = 0;
    if (!context || EVP_CipherInit_ex(context.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr, encrypt) != 1
        || EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_SET_IVLEN, nonceSize, nullptr) != 1
        || EVP_CipherInit_ex(context.get(), nullptr, nullptr, key.bytes, nonce, encrypt) != 1
        || EVP_CipherUpdate(context.get(), nullptr, &ignored, &formatVersion, 1) != 1)
        return nullptr;
    return context;
}

} // namespace

extern "C" int bastra_crypto_encrypt(const void *data, size_t length, const char *token, unsigned char **out,
                                     size_t *out_length)
{
    int result = checkArguments("bastra_crypto_encrypt", data, length, token, out, out_length);
    if (result)
        return result;
    if (length > SIZE_MAX - overhead) {
        bastra_crypto_set_last_error("bastra_crypto_encrypt: data too large");
        return EINVAL;
    }
    TokenKey key;
    result = deriveKey(token, &key);
    if (result)
        return result;
    auto *sealed = static_cast<unsigned char *>(bastra_internal::allocateBuffer(length + overhead));
    if (!sealed) {
        bastra_crypto_set_last_error("bastra_crypto_encrypt: out of memory");
        return ENOMEM;
    }
    sealed[0] = formatVersion;
    unsigned char *nonce = sealed + 1;
    unsigned char *body = nonce + nonceSize;
    int finalLength = 0;
    CipherContext context;
    const bool sealedOk = RAND_bytes(nonce, nonceSize) == 1 && (context = startCipher(key, nonce, true))
        && update(context.get(), static_cast<const unsigned char *>(data), length, body)
        && EVP_CipherFinal_ex(context.get(), body + length, &finalLength) == 1 && finalLength == 0
        && EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_GET_TAG, tagSize, body + length) == 1;
    if (!sealedOk) {
        bastra_crypto_free(sealed);
        bastra_crypto_set_last_error("bastra_crypto_encrypt: encryption failed");
        return EIO;
    }
    *out = sealed;
    *out_length = length + overhead;
    return 0;
}

extern "C" int bastra_crypto_decrypt(const void *data, size_t length, const char *token, unsigned char **out,
                                     size_t *out_length)
{
    int result = checkArguments("bastra_crypto_decrypt", data, length, token, out, out_length);
    if (result)
        return result;
    const auto *sealed = static_cast<const unsigned char *>(data);
    if (length < overhead || sealed[0] != formatVersion) {
        bastra_crypto_set_last_error("bastra_crypto_decrypt: not sealed data");
        return EBADMSG;
    }
    TokenKey key;
    result = deriveKey(token, &key);
    if (result)
        return result;
    const size_t plainLength = length - overhead;
    const unsigned char *nonce = sealed + 1;
    const unsigned char *body = nonce + nonceSize;
    unsigned char tag[tagSize];
    std::memcpy(tag, body + plainLength, tagSize);
    // One spare byte so that empty data still yields a buffer to free.
    auto *plain = static_cast<unsigned char *>(bastra_internal::allocateBuffer(plainLength + 1));
    if (!plain) {
        bastra_crypto_set_last_error("bastra_crypto_decrypt: out of memory");
        return ENOMEM;
    }
    int finalLength = 0;
    CipherContext context = startCipher(key, nonce, false);
    const bool opened = context && update(context.get(), body, plainLength, plain)
        && EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_SET_TAG, tagSize, tag) == 1
        && EVP_CipherFinal_ex(context.get(), plain + plainLength, &finalLength) == 1;
    if (!opened) {
        bastra_crypto_free(plain);
        bastra_crypto_set_last_error("bastra_crypto_decrypt: data was changed or is not for this token");
        return EBADMSG;
    }
    plain[plainLength] = 0;
    *out = plain;
    *out_length = plainLength;
    return 0;
}
