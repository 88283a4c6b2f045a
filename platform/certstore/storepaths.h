#ifndef BASTRA_STOREPATHS_H
#define BASTRA_STOREPATHS_H

#include <string>

namespace bastra_internal {

// Where the store keeps things, resolved under the device root.
std::string privateStoreFolder(); // user domains and the key folder
std::string sharedStoreFolder(); // system domains, read-only
std::string keyFolder(); // password-protected private keys

// 1 to 64 characters of [A-Za-z0-9._-], not starting with a dot: such a name
// is always one plain folder inside the store, never "..", never hidden.
bool isValidDomainName(const char *name);

} // namespace bastra_internal

#endif
