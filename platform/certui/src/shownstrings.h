#ifndef SHOWNSTRINGS_H
#define SHOWNSTRINGS_H

#include <QString>
#include <QStringList>

#include <openssl/asn1.h>
#include <openssl/x509.h>

// The words a list row shows for a certificate, from the certificate's parts,
// so that a full item and a row read without the full parse say the same.
namespace ShownStrings {

// The subject's short name, else the serial number.
QString name(const X509_NAME *subject, const ASN1_INTEGER *serial);

// Negative: validity has ended; positive: not begun yet; 0: valid now (also
// when the times cannot be read).
int timeState(const ASN1_TIME *notBefore, const ASN1_TIME *notAfter);

// The name, "Issued by" the issuer's short name, and the validity in words.
QStringList of(const QString &name, const QString &issuerName, const ASN1_TIME *notBefore, const ASN1_TIME *notAfter);

} // namespace ShownStrings

#endif
