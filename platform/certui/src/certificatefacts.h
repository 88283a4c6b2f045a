#ifndef CERTIFICATEFACTS_H
#define CERTIFICATEFACTS_H

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <openssl/asn1.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

// Facts read from an X.509 certificate in the forms the items and widgets
// show them. Every function takes a possibly null certificate and then gives
// an empty result.
namespace CertificateFacts {

// The last commonName entry of a name (the most specific one), UTF-8.
QString commonName(const X509_NAME *name);
// The first organizationName entry of a name.
QString organization(const X509_NAME *name);
// A short name for a person: common name, else organisation, else the first
// entry of the name, else empty.
QString shortName(const X509_NAME *name);
// The whole name on one line, in the certificate's order ("C=FI, O=b, CN=a").
QString oneLine(const X509_NAME *name);

// An ASN.1 time as a UTC date-time; null when it cannot be read.
QDateTime toDateTime(const ASN1_TIME *time);

// Serial number in hex, with a leading '-' when the number is negative.
QString serialNumber(const X509 *cert);
QString serialNumber(const ASN1_INTEGER *serial);
bool hasNegativeSerial(const X509 *cert);

// Digest of the DER encoding as colon-separated upper-case hex pairs.
QString fingerprint(const X509 *cert, const EVP_MD *md);
// The SHA-256 digest as plain lower-case hex: an identity for the certificate.
QString sha256Hex(const X509 *cert);

// The DER encoding; empty on failure.
QByteArray der(const X509 *cert);

// Basic constraints say CA.
bool isCa(X509 *cert);
// Issued by itself (subject equals issuer and, when present, the key ids agree).
bool isSelfIssued(X509 *cert);
// Whether issuer's key signed cert and issuer's subject is cert's issuer.
bool isIssuedBy(X509 *cert, X509 *issuer);

// "RSA 2048", "EC 256", ...; empty when the key cannot be read.
QString keyDescription(X509 *cert);
// The key usage and extended key usage names, e.g. "Digital signature".
QStringList keyUsages(X509 *cert);

// The store's textual key id (40 lower-case hex) of the certificate's or the
// key's public key; empty when it cannot be computed.
QString keyIdText(X509 *cert);
QString keyIdText(EVP_PKEY *key);

} // namespace CertificateFacts

#endif
