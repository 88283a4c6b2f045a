// Preloaded into trustkeep by the deletion tests: records which domains the
// program opens and changes and under which credential token, and can make
// the store refuse a removal. Every call still goes to the real store.
//
//   CERTSTORE_SHIM_LOG=<file>          one line per call: "<op> <domain> <token>"
//   CERTSTORE_SHIM_REFUSE_RM=<domain>  removals in that domain fail with EACCES

#include <bastra_certman.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <map>
#include <string>

namespace {

std::string currentToken = "-";
std::map<bastra_domain, std::string> openDomains;

template <typename F> F real(const char *name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

void record(const char *operation, const std::string &domain)
{
    const char *path = std::getenv("CERTSTORE_SHIM_LOG");
    if (!path)
        return;
    if (FILE *log = std::fopen(path, "a")) {
        std::fprintf(log, "%s %s %s\n", operation, domain.c_str(), currentToken.c_str());
        std::fclose(log);
    }
}

} // namespace

extern "C" {

int bastra_certman_set_credentials(const char *token)
{
    static auto next = real<int (*)(const char *)>("bastra_certman_set_credentials");
    const int result = next(token);
    if (result == 0 && token)
        currentToken = token;
    return result;
}

int bastra_certman_open_domain(const char *name, int mode, bastra_domain *domain)
{
    static auto next = real<int (*)(const char *, int, bastra_domain *)>("bastra_certman_open_domain");
    const int result = next(name, mode, domain);
    if (result == 0 && domain && name) {
        openDomains[*domain] = name;
        record("open", name);
    }
    return result;
}

int bastra_certman_close_domain(bastra_domain domain)
{
    static auto next = real<int (*)(bastra_domain)>("bastra_certman_close_domain");
    openDomains.erase(domain);
    return next(domain);
}

int bastra_certman_load_cert(bastra_domain domain, const bastra_key_id *key_id, X509 **cert)
{
    static auto next = real<int (*)(bastra_domain, const bastra_key_id *, X509 **)>("bastra_certman_load_cert");
    record("load", openDomains[domain]);
    return next(domain, key_id, cert);
}

int bastra_certman_rm_cert(bastra_domain domain, const bastra_key_id *key_id)
{
    static auto next = real<int (*)(bastra_domain, const bastra_key_id *)>("bastra_certman_rm_cert");
    const std::string name = openDomains[domain];
    record("rm", name);
    const char *refused = std::getenv("CERTSTORE_SHIM_REFUSE_RM");
    if (refused && name == refused)
        return EACCES;
    return next(domain, key_id);
}

} // extern "C"
