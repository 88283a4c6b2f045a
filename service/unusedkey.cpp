#define TK_LOG_SOURCE "pkey"

#include "unusedkey.h"

#include "pkey.h"

#include <bastra_crypto.h>
#include <log.h>
#include <logtext.h>
#include <opensslowners.h>
#include <storedomain.h>

#include <cerrno>

namespace UnusedKey {

namespace {

struct Search {
    const bastra_key_id *keyId;
    bool found = false;
};

int lookIn(int, const char *domain, void *user)
{
    auto *search = static_cast<Search *>(user);
    const StoreDomain store(QString::fromUtf8(domain), StoreDomain::Private, TK_CLOSE_UNLOGGED);
    if (!store.isOpen())
        return 0;
    X509 *loaded = nullptr;
    search->found = bastra_certman_load_cert(store.handle(), search->keyId, &loaded) == 0;
    const X509Owner certificate(loaded);
    return search->found ? 1 : 0;
}

} // namespace

bool isHeldByAnyDomain(const bastra_key_id &keyId)
{
    Search search{ &keyId };
    bastra_certman_iterate_domains(BASTRA_ITERATE_PRIVATE, lookIn, &search);
    return search.found;
}

bool forget(const QString &keyText, const bastra_key_id &keyId)
{
    PKey record(keyText);
    bool forgotten = record.remove();
    const int removed = bastra_certman_remove_key(&keyId);
    if (removed != 0 && removed != ENOENT) {
        TK_LOG_ERROR("%s: could not remove the key file of %s (%s)", "forget", TK_LOG_TEXT(keyText),
                     bastra_crypto_last_error_str());
        forgotten = false;
    }
    return forgotten;
}

bool forgetIfUnheld(const QString &keyText, const bastra_key_id &keyId)
{
    return isHeldByAnyDomain(keyId) || forget(keyText, keyId);
}

} // namespace UnusedKey
