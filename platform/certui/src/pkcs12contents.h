#ifndef PKCS12CONTENTS_H
#define PKCS12CONTENTS_H

#include "filecontents.h"

#include <QByteArray>

class PasswordSource;

namespace Pkcs12Contents {

// The certificates and key of a PKCS#12 archive. The empty password is tried
// first, then passwords from the source until one opens the archive or the
// user declines; the source hears of each wrong one.
ReadResult read(const QByteArray &data, FileContents &contents, PasswordSource *passwords);

// Whether the data parses as a PKCS#12 archive (nothing is decrypted).
bool isPkcs12(const QByteArray &data);

} // namespace Pkcs12Contents

#endif
