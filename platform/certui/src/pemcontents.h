#ifndef PEMCONTENTS_H
#define PEMCONTENTS_H

#include "filecontents.h"

#include <QByteArray>

class PasswordSource;

namespace PemContents {

// Every certificate and private key of a PEM text, in order. Encrypted keys
// are opened with a password from the source; one password, once right, is
// tried first for the later keys of the same text. Without a source
// (passwords == null) encrypted keys are skipped. Blocks of other kinds are
// ignored; a damaged block ends the reading, keeping what came before it.
ReadResult read(const QByteArray &text, FileContents &contents, PasswordSource *passwords);

// Whether the text holds at least one readable certificate.
bool holdsCertificate(const QByteArray &text);

// Whether the data looks like PEM text at all.
bool looksLikePem(const QByteArray &data);

} // namespace PemContents

#endif
