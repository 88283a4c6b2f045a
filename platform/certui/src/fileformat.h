#ifndef FILEFORMAT_H
#define FILEFORMAT_H

#include "certificatefile.h"
#include "filecontents.h"

#include <QByteArray>
#include <QString>

class PasswordSource;

// Telling certificate files apart and reading them, by name and by content.
// Free of Qt objects, so the folder scan can use it from its worker thread.
namespace FileFormat {

// Files larger than this are never read: no certificate file comes near it.
const qint64 maxFileSize = 4 * 1024 * 1024;

// By extension: .pem .crt .cer .der .p12 .pfx in any case.
CertificateFile::Format forName(const QString &path);

// The format the content really has: PKCS#12 for a PKCS#12 name, otherwise
// PEM when it reads as PEM text, else DER. For a name without a known
// extension (a file the user named) the content alone decides.
CertificateFile::Format detect(const QByteArray &content, CertificateFile::Format byName);

// Whether content of that name holds a certificate: at least one readable
// certificate, or, for PKCS#12, a well-formed archive. With UnknownFormat any
// of the three formats will do.
bool holdsCertificate(const QByteArray &content, CertificateFile::Format byName);

// Reads content of a detected format.
ReadResult read(const QByteArray &content, CertificateFile::Format format, FileContents &contents,
                PasswordSource *passwords);

} // namespace FileFormat

#endif
