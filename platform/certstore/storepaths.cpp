#include "storepaths.h"

#include "devicefiles.h"

#include <cstring>

namespace bastra_internal {

std::string privateStoreFolder()
{
    return devicePath("/home/user/.bastra-certs");
}

std::string sharedStoreFolder()
{
    return devicePath("/etc/bastra-certs");
}

std::string keyFolder()
{
    return privateStoreFolder() + "/.keys";
}

bool isValidDomainName(const char *name)
{
    if (!name || name[0] == '\0' || name[0] == '.')
        return false;
    size_t length = 0;
    for (const char *p = name; *p; ++p, ++length) {
        const char c = *p;
        const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.'
            || c == '_' || c == '-';
        if (!allowed || length >= 64)
            return false;
    }
    return true;
}

} // namespace bastra_internal
