#ifndef BASTRA_CRYPTOBUFFER_H
#define BASTRA_CRYPTOBUFFER_H

#include <stddef.h>

namespace bastra_internal {

// Every buffer the libraries hand out comes from here, so that
// bastra_crypto_free can wipe it before release: decrypted buffers may hold
// private key material. Returns null when memory is short.
void *allocateBuffer(size_t size);

} // namespace bastra_internal

#endif
