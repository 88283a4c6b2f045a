#ifndef TRUSTKEEP_OPENSSLPOINTERS_H
#define TRUSTKEEP_OPENSSLPOINTERS_H

#include <opensslowners.h>

// Test material is handed around and kept by several holders, so it is held
// in the product's shared owners. Use .data() to pass it to a C API that
// only borrows it; adopt...() takes over a pointer the caller owns.
using X509Ptr = SharedX509;
using KeyPtr = SharedKey;

inline X509Ptr adoptX509(X509 *cert)
{
    return shareX509(cert);
}

inline KeyPtr adoptKey(EVP_PKEY *key)
{
    return shareKey(key);
}

#endif
