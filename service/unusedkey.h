#ifndef TRUSTKEEP_UNUSEDKEY_H
#define TRUSTKEEP_UNUSEDKEY_H

#include <bastra_certman.h>

#include <QString>

// A private key outlives no certificate: when trustkeep has taken a
// certificate out of its last domain, the key's record and its
// password-protected key file go as well, so that nothing the user deleted
// stays on the device.
namespace UnusedKey {

// Whether any private store domain still holds a certificate with the key id.
bool isHeldByAnyDomain(const bastra_key_id &keyId);

// Removes the key record and the key file of the key id, whichever exist.
// False (logged) when one of them could not be removed.
bool forget(const QString &keyText, const bastra_key_id &keyId);

// forget() when no private domain holds the certificate any more; true when
// there was nothing to do.
bool forgetIfUnheld(const QString &keyText, const bastra_key_id &keyId);

} // namespace UnusedKey

#endif
