#ifndef TRUSTKEEP_BASE64_H
#define TRUSTKEEP_BASE64_H

#include "opensslowners.h"

#include <QByteArray>
#include <QString>

#include <cstddef>

// Base64 through the crypto library, with its buffers owned.
namespace Base64 {

// The bytes of Base64 text; null when the text is not Base64. *length gets
// the decoder's result (negative on failure).
CryptoBuffer decode(const QByteArray &text, int *length);

// The Base64 text of the bytes; empty when the library fails.
QString encode(const void *data, size_t length);
QString encode(const QByteArray &data);

} // namespace Base64

#endif
