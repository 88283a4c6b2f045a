#include "domain.h"

#include "certificatefile.h"
#include "devicefiles.h"
#include "storepaths.h"

#include <bastra_certman.h>
#include <bastra_crypto.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <sys/stat.h>

using namespace bastra_internal;

namespace {

bool isUsable(bastra_domain domain, const char *operation)
{
    if (domain)
        return true;
    bastra_crypto_set_last_error("%s: no domain", operation);
    return false;
}

bool isWritable(bastra_domain domain, const char *operation)
{
    if (!domain->shared)
        return true;
    bastra_crypto_set_last_error("%s: domain %s is shared and read-only", operation, domain->name.c_str());
    return false;
}

// A shared domain exists only when the system put its folder in place.
int checkSharedFolder(const std::string &folder, const char *name)
{
    struct stat st;
    int result = ::stat(folder.c_str(), &st) == 0 ? 0 : errno;
    if (!result && !S_ISDIR(st.st_mode))
        result = ENOTDIR;
    if (result)
        bastra_crypto_set_last_error("bastra_certman_open_domain: shared domain %s: %s", name, std::strerror(result));
    return result;
}

} // namespace

extern "C" int bastra_certman_open_domain(const char *name, int mode, bastra_domain *domain)
{
    if (domain)
        *domain = nullptr;
    if (!domain || !isValidDomainName(name)) {
        bastra_crypto_set_last_error("bastra_certman_open_domain: invalid domain name or missing argument");
        return EINVAL;
    }
    if (mode != BASTRA_DOMAIN_PRIVATE && mode != BASTRA_DOMAIN_SHARED) {
        bastra_crypto_set_last_error("bastra_certman_open_domain: unknown mode %d", mode);
        return EINVAL;
    }
    const bool shared = mode == BASTRA_DOMAIN_SHARED;
    const std::string folder = (shared ? sharedStoreFolder() : privateStoreFolder()) + '/' + name;
    if (shared) {
        const int result = checkSharedFolder(folder, name);
        if (result)
            return result;
    }
    auto *opened = new (std::nothrow) bastra_domain_s;
    if (!opened) {
        bastra_crypto_set_last_error("bastra_certman_open_domain: out of memory");
        return ENOMEM;
    }
    opened->name = name;
    opened->folder = folder;
    opened->shared = shared;
    *domain = opened;
    return 0;
}

extern "C" int bastra_certman_close_domain(bastra_domain domain)
{
    if (!isUsable(domain, "bastra_certman_close_domain"))
        return EINVAL;
    delete domain;
    return 0;
}

extern "C" int bastra_certman_add_cert(bastra_domain domain, X509 *cert)
{
    if (!isUsable(domain, "bastra_certman_add_cert"))
        return EINVAL;
    if (!isWritable(domain, "bastra_certman_add_cert"))
        return EACCES;
    bastra_key_id keyId;
    int result = bastra_certman_get_cert_key_id(cert, &keyId);
    if (result)
        return result;
    result = makeFolders(domain->folder, 0700);
    if (result) {
        bastra_crypto_set_last_error("bastra_certman_add_cert: cannot create domain %s: %s", domain->name.c_str(),
                                     std::strerror(result));
        return result;
    }
    return writeCertificateFile(domain->folder, cert, keyId);
}

extern "C" int bastra_certman_rm_cert(bastra_domain domain, const bastra_key_id *key_id)
{
    if (!isUsable(domain, "bastra_certman_rm_cert"))
        return EINVAL;
    if (!key_id) {
        bastra_crypto_set_last_error("bastra_certman_rm_cert: no key id");
        return EINVAL;
    }
    if (!isWritable(domain, "bastra_certman_rm_cert"))
        return EACCES;
    const std::string path = domain->folder + '/' + keyIdText(*key_id);
    const int result = removeFile(path);
    if (result)
        bastra_crypto_set_last_error("bastra_certman_rm_cert: %s: %s", path.c_str(), std::strerror(result));
    return result;
}

extern "C" int bastra_certman_load_cert(bastra_domain domain, const bastra_key_id *key_id, X509 **cert)
{
    if (cert)
        *cert = nullptr;
    if (!isUsable(domain, "bastra_certman_load_cert"))
        return EINVAL;
    if (!key_id || !cert) {
        bastra_crypto_set_last_error("bastra_certman_load_cert: missing argument");
        return EINVAL;
    }
    return readCertificateFile(domain->folder, keyIdText(*key_id), cert);
}
