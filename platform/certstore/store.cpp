#include "storepaths.h"

#include <bastra_certman.h>
#include <bastra_crypto.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

// Opening the store only checks that it can be used: nothing has to be set up
// in advance (private domains appear on their first certificate), so opening
// and closing any number of times is harmless, and the other calls work
// without it.

namespace {

// A store folder may be missing, but anything other than a folder in its
// place makes the store unusable.
int checkFolder(const std::string &path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT ? 0 : errno;
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

} // namespace

extern "C" int bastra_certman_open(void *)
{
    for (const std::string &folder : { bastra_internal::privateStoreFolder(), bastra_internal::sharedStoreFolder(),
                                       bastra_internal::keyFolder() }) {
        const int result = checkFolder(folder);
        if (result) {
            bastra_crypto_set_last_error("certificate store unusable: %s: %s", folder.c_str(), std::strerror(result));
            return -result;
        }
    }
    return 0;
}

extern "C" int bastra_certman_close(void *)
{
    return 0;
}
