#include "certificatefile.h"
#include "checkedcertificates.h"
#include "domain.h"
#include "folderlisting.h"
#include "storepaths.h"

#include <bastra_certman.h>
#include <bastra_crypto.h>

#include <cerrno>
#include <cstring>

// Walks over domains and certificates. The names are listed first and each
// entry is read when its turn comes, so a callback may add or remove
// certificates while the walk goes on. A walk that the callback stops by
// returning non-zero still succeeds: the result is 0 unless the walk itself
// failed.

using namespace bastra_internal;

namespace {

bool acceptDomainName(const char *name)
{
    return isValidDomainName(name);
}

bool acceptKeyIdName(const char *name)
{
    return isKeyIdFileName(name);
}

} // namespace

extern "C" int bastra_certman_iterate_domains(int flags, bastra_certman_domain_cb cb, void *user)
{
    if (!cb || (flags != BASTRA_ITERATE_PRIVATE && flags != BASTRA_ITERATE_SHARED)) {
        bastra_crypto_set_last_error("bastra_certman_iterate_domains: unknown flags %d or no callback", flags);
        return EINVAL;
    }
    const std::string folder = flags == BASTRA_ITERATE_SHARED ? sharedStoreFolder() : privateStoreFolder();
    std::vector<std::string> names;
    const int result = listFolder(folder, EntryKind::Folder, acceptDomainName, &names);
    if (result) {
        bastra_crypto_set_last_error("bastra_certman_iterate_domains: %s: %s", folder.c_str(), std::strerror(result));
        return result;
    }
    int index = 0;
    for (const std::string &name : names) {
        if (cb(index++, name.c_str(), user) != 0)
            break;
    }
    return 0;
}

extern "C" int bastra_certman_iterate_certs(bastra_domain domain, bastra_certman_cert_cb cb, void *user)
{
    if (!domain || !cb) {
        bastra_crypto_set_last_error("bastra_certman_iterate_certs: no domain or no callback");
        return EINVAL;
    }
    std::vector<std::string> names;
    const int result = listFolder(domain->folder, EntryKind::Any, acceptKeyIdName, &names);
    if (result) {
        bastra_crypto_set_last_error("bastra_certman_iterate_certs: %s: %s", domain->folder.c_str(),
                                     std::strerror(result));
        return result;
    }
    int index = 0;
    for (const std::string &name : names) {
        X509 *cert = nullptr;
        // A damaged or vanished entry is skipped; the last error names it.
        if (readCertificateFile(domain->folder, name, &cert) != 0)
            continue;
        const int stop = cb(index++, cert, user);
        X509_free(cert);
        if (stop != 0)
            break;
    }
    return 0;
}

extern "C" int bastra_certman_iterate_cert_ders(bastra_domain domain, bastra_certman_der_cb cb, void *user)
{
    if (!domain || !cb) {
        bastra_crypto_set_last_error("bastra_certman_iterate_cert_ders: no domain or no callback");
        return EINVAL;
    }
    std::vector<std::string> names;
    const int result = listFolder(domain->folder, EntryKind::Any, acceptKeyIdName, &names);
    if (result) {
        bastra_crypto_set_last_error("bastra_certman_iterate_cert_ders: %s: %s", domain->folder.c_str(),
                                     std::strerror(result));
        return result;
    }
    CheckedCertificates &checked = CheckedCertificates::instance();
    std::vector<unsigned char> der;
    int index = 0;
    for (const std::string &name : names) {
        // Skipped as by bastra_certman_iterate_certs; the last error names it.
        if (checked.read(domain->folder, name, &der) != 0)
            continue;
        if (cb(index++, der.data(), der.size(), user) != 0)
            break;
    }
    return 0;
}
