#ifndef TRUSTKEEP_BASE64_H
#define TRUSTKEEP_BASE64_H

#include "opensslowners.h"

#include <QByteArray>
#include <QString>

#include <cstddef>

// Base64 decoding through the crypto library, with its buffers owned, and
// encoding in the library's form.
namespace Base64 {

// The bytes of Base64 text; null when the text is not Base64. *length gets
// the decoder's result (negative on failure).
CryptoBuffer decode(const QByteArray &text, int *length);

// The Base64 text of the bytes; empty for no bytes or more than a text holds.
QString encode(const void *data, size_t length);
QString encode(const QByteArray &data);

} // namespace Base64

#endif
