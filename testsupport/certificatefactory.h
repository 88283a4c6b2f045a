#ifndef TRUSTKEEP_CERTIFICATEFACTORY_H
#define TRUSTKEEP_CERTIFICATEFACTORY_H

#include "opensslpointers.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

enum class CertificateKeyType {
    Ec,
    Rsa
};

// What a certificate made by CertificateFactory looks like.
struct CertificateOptions {
    // Subject entries; an empty text leaves the entry out. Values are
    // UTF-8 of any length and may hold quotes or non-ASCII characters.
    QString commonName = QStringLiteral("Test Certificate");
    QString organization;
    // Further subject entries after CN and O, as (short name, value),
    // e.g. {"OU", "Unit"}, {"C", "FI"}, {"emailAddress", "a@b.test"}.
    QList<QPair<QString, QString>> extraSubject;
    // Invalid times mean one day ago and a year from now.
    QDateTime notBefore;
    QDateTime notAfter;
    bool isCa = false;
    // Unset: a random positive serial. May be zero or negative.
    std::optional<qint64> serial;
    CertificateKeyType keyType = CertificateKeyType::Ec;
    int rsaBits = 2048;
};

// A certificate together with its private key.
struct IssuedCertificate {
    X509Ptr certificate;
    KeyPtr key;
    bool isNull() const { return !certificate || !key; }
};

// Real certificates and keys for tests, made with OpenSSL at test time.
//
//   auto ca = CertificateFactory::makeCa("Test Root CA");
//   CertificateFactory::Options options;
//   options.commonName = "www.example.test";
//   options.notAfter = CertificateFactory::daysFromNow(-1);   // expired
//   auto server = CertificateFactory::makeIssued(options, ca);
//   QByteArray der = CertificateFactory::toDer(server.certificate.data());
//
// Every make...() ends the program when OpenSSL fails: a broken environment,
// so callers need not check the result.
class CertificateFactory
{
public:
    using KeyType = CertificateKeyType;
    using Options = CertificateOptions;
    using Issued = IssuedCertificate;

    // Time helpers for validity windows (negative offsets lie in the past).
    static QDateTime daysFromNow(int days);

    static KeyPtr makeKey(KeyType type = KeyType::Ec, int rsaBits = 2048);

    // Self-signed with the options as given (isCa decides the CA flag).
    static Issued makeSelfSigned(const Options &options);
    // A self-signed CA: the options with isCa forced on.
    static Issued makeCa(const QString &commonName, Options options = Options());
    // Signed by issuer; the issuer's subject becomes the issuer name.
    static Issued makeIssued(const Options &options, const Issued &issuer);
    // A new certificate for an existing key (same key id as the key's other
    // certificates).
    static Issued makeForKey(const Options &options, const KeyPtr &key, const Issued *issuer = nullptr);

    // Encoders. Empty on failure.
    static QByteArray toDer(X509 *cert);
    static QByteArray toPem(X509 *cert);
    static QByteArray toPemBundle(const QList<X509Ptr> &certs);
    static QByteArray keyToPem(EVP_PKEY *key); // PKCS#8, clear
    static QByteArray keyToDer(EVP_PKEY *key); // PKCS#8, clear
    static QByteArray keyToEncryptedPem(EVP_PKEY *key, const QByteArray &password); // PKCS#8, AES-256
    // Password-protected PKCS#12 with the certificate, its key and a chain;
    // an empty password is allowed (and still protects the content).
    static QByteArray toPkcs12(const Issued &material, const QByteArray &password,
                               const QList<X509Ptr> &chain = QList<X509Ptr>(), const QString &friendlyName = QString());

    // Decoders. Null on failure.
    static X509Ptr fromDer(const QByteArray &der);

    // Writes bytes to a file, creating its folder; false on failure.
    static bool writeFile(const QString &path, const QByteArray &content);
};

#endif
