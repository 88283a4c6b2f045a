#ifndef TRUSTKEEP_TESTMATERIAL_H
#define TRUSTKEEP_TESTMATERIAL_H

#include "certificatefactory.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

// A certificate with its private key, in the forms the service takes and
// gives them.
struct KeyMaterial {
    IssuedCertificate made;
    QString keyId; // the store's textual key id

    static KeyMaterial make(const QString &commonName, bool isCa = false);

    X509 *certificate() const { return made.certificate.data(); }
    QByteArray der() const { return CertificateFactory::toDer(certificate()); }
    // Base64 of the DER certificate alone.
    QString derText() const { return QString::fromLatin1(der().toBase64()); }
    // Base64 of a serialized item: the certificate, its purposes before the
    // request and (withKey) the private key with the preference.
    QString itemText(int preference, const QStringList &purposes = QStringList(), bool withKey = true) const;
    // The key's DER image as the service hands it out.
    QByteArray privateDer() const;
};

// A self-signed server certificate valid from a day ago for validDays.
struct ServerCertificate {
    IssuedCertificate made;
    QByteArray der;
    QDateTime notAfter; // to the second, as the certificate holds it

    static ServerCertificate make(const QString &commonName, int validDays = 365);
    QString base64() const { return QString::fromLatin1(der.toBase64()); }
};

// Direct looks into the certificate store and the crypto library of the
// emulated device (TRUSTKEEP_DEVICE_ROOT of the test process).
namespace StoreProbe {
QString keyIdOf(X509 *certificate);
bool domainHolds(const QString &domain, const QString &keyId);
// The DER image a private domain holds under that key id; empty when none.
QByteArray heldDer(const QString &domain, const QString &keyId);
// The private domains of the four purposes ("ssl-ca", "ssl-user", "wifi-ca"...) that hold it.
QStringList domainsHolding(const QString &keyId);
bool addToDomain(const QString &domain, X509 *certificate);
// What a holder of the token reads from an encrypted reply; empty when it
// cannot be decrypted.
QByteArray decrypt(const QString &reply, const QString &token);
// Whether the store's key of that id opens with the password.
bool keyOpensWith(const QString &keyId, const QString &password);
} // namespace StoreProbe

#endif
