#include "devicesecret.h"

#include "devicefiles.h"

#include <bastra_crypto.h>

#include <openssl/crypto.h>
#include <openssl/rand.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace bastra_internal {

namespace {

const char secretFolder[] = "/var/lib/bastra-crypto";
const char secretFile[] = "/var/lib/bastra-crypto/secret";

int readSecret(const std::string &path, unsigned char *secret)
{
    std::vector<unsigned char> content;
    const int result = readSmallFile(path, deviceSecretSize, &content);
    if (result == 0 && content.size() == deviceSecretSize)
        std::memcpy(secret, content.data(), deviceSecretSize);
    const bool damaged = (result == 0 || result == EFBIG) && content.size() != deviceSecretSize;
    OPENSSL_cleanse(content.data(), content.size());
    if (damaged) {
        // Replacing it would silently make everything encrypted so far
        // unreadable; refuse and let the failure be seen instead.
        bastra_crypto_set_last_error("device secret %s is damaged (not %zu bytes)", path.c_str(), deviceSecretSize);
        return EIO;
    }
    if (result && result != ENOENT)
        bastra_crypto_set_last_error("cannot read device secret %s: %s", path.c_str(), std::strerror(result));
    return result;
}

// Writes a new secret unless another process got there first; either way the
// secret on disk is the one to use afterwards.
int createSecret(const std::string &path)
{
    int result = makeFolders(devicePath(secretFolder), 0700);
    if (result) {
        bastra_crypto_set_last_error("cannot create folder for the device secret: %s", std::strerror(result));
        return result;
    }
    unsigned char fresh[deviceSecretSize];
    if (RAND_priv_bytes(fresh, sizeof fresh) != 1) {
        bastra_crypto_set_last_error("no random bytes for the device secret");
        return EIO;
    }
    result = writeFileAtomically(path, fresh, sizeof fresh, false);
    OPENSSL_cleanse(fresh, sizeof fresh);
    if (result == EEXIST)
        return 0;
    if (result)
        bastra_crypto_set_last_error("cannot write device secret %s: %s", path.c_str(), std::strerror(result));
    return result;
}

} // namespace

int loadDeviceSecret(unsigned char secret[deviceSecretSize])
{
    const std::string path = devicePath(secretFile);
    int result = readSecret(path, secret);
    if (result != ENOENT)
        return result;
    result = createSecret(path);
    if (result)
        return result;
    return readSecret(path, secret);
}

} // namespace bastra_internal
