#include "certificatefactory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/rand.h>
#include <openssl/x509v3.h>

#include <cstring>
#include <memory>

namespace {

// A test without its material tests nothing: it stops here rather than let a
// later check pass on a null certificate.
[[noreturn]] void materialFailed()
{
    qFatal("certificate factory: OpenSSL could not make the test material");
}

struct BioFree {
    void operator()(BIO *bio) const { BIO_free(bio); }
};
using Bio = std::unique_ptr<BIO, BioFree>;

// What write() puts into a memory BIO, or nothing when it fails.
template <typename Write> QByteArray written(bool ready, Write write)
{
    Bio bio(BIO_new(BIO_s_mem()));
    char *data = nullptr;
    if (!ready || !bio || write(bio.get()) != 1)
        return QByteArray();
    const long length = BIO_get_mem_data(bio.get(), &data);
    return length > 0 ? QByteArray(data, static_cast<int>(length)) : QByteArray();
}

// The DER image an i2d_... function gives, or nothing.
template <typename Encode> QByteArray encoded(Encode encode)
{
    unsigned char *der = nullptr;
    const int length = encode(&der);
    const QByteArray bytes = length > 0 ? QByteArray(reinterpret_cast<const char *>(der), length) : QByteArray();
    OPENSSL_free(der);
    return bytes;
}

qint64 randomSerial()
{
    quint64 value = 0;
    RAND_bytes(reinterpret_cast<unsigned char *>(&value), sizeof value);
    return static_cast<qint64>((value >> 1) | 1); // positive, never zero
}

bool setTime(ASN1_TIME *field, const QDateTime &time, const QDateTime &fallback)
{
    const QDateTime chosen = time.isValid() ? time : fallback;
    return ASN1_TIME_set(field, static_cast<time_t>(chosen.toSecsSinceEpoch())) != nullptr;
}

bool addEntry(X509_NAME *name, const QString &field, const QString &value)
{
    if (value.isEmpty())
        return true;
    const QByteArray utf8 = value.toUtf8();
    const QByteArray fieldName = field.toLatin1();
    const auto *bytes = reinterpret_cast<const unsigned char *>(utf8.constData());
    // The usual string type for the field first; a value beyond the field's
    // length bound (a 200-character CN) goes in as a plain UTF8String.
    if (X509_NAME_add_entry_by_txt(name, fieldName.constData(), MBSTRING_UTF8, bytes, utf8.size(), -1, 0) == 1)
        return true;
    ERR_clear_error();
    return X509_NAME_add_entry_by_txt(name, fieldName.constData(), V_ASN1_UTF8STRING, bytes, utf8.size(), -1, 0) == 1;
}

bool setSubject(X509 *cert, const CertificateFactory::Options &options)
{
    X509_NAME *name = X509_get_subject_name(cert);
    bool ok = addEntry(name, QStringLiteral("CN"), options.commonName)
        && addEntry(name, QStringLiteral("O"), options.organization);
    for (const auto &entry : options.extraSubject)
        ok = ok && addEntry(name, entry.first, entry.second);
    return ok;
}

bool addExtension(X509 *cert, X509 *issuer, int nid, const char *value)
{
    X509V3_CTX context;
    X509V3_set_ctx(&context, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION *extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    const bool ok = extension && X509_add_ext(cert, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    return ok;
}

bool addExtensions(X509 *cert, X509 *issuer, bool isCa)
{
    return addExtension(cert, issuer, NID_basic_constraints, isCa ? "critical,CA:TRUE" : "critical,CA:FALSE")
        && addExtension(cert, issuer, NID_key_usage,
                        isCa ? "critical,keyCertSign,cRLSign,digitalSignature"
                             : "critical,digitalSignature,keyEncipherment")
        && addExtension(cert, issuer, NID_subject_key_identifier, "hash")
        && addExtension(cert, issuer, NID_authority_key_identifier, "keyid:always");
}

} // namespace

QDateTime CertificateFactory::daysFromNow(int days)
{
    return QDateTime::currentDateTimeUtc().addDays(days);
}

KeyPtr CertificateFactory::makeKey(KeyType type, int rsaBits)
{
    if (type == KeyType::Rsa)
        return adoptKey(EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA", static_cast<size_t>(rsaBits)));
    return adoptKey(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"));
}

CertificateFactory::Issued CertificateFactory::makeSelfSigned(const Options &options)
{
    return makeForKey(options, makeKey(options.keyType, options.rsaBits));
}

CertificateFactory::Issued CertificateFactory::makeCa(const QString &commonName, Options options)
{
    options.commonName = commonName;
    options.isCa = true;
    return makeSelfSigned(options);
}

CertificateFactory::Issued CertificateFactory::makeIssued(const Options &options, const Issued &issuer)
{
    return makeForKey(options, makeKey(options.keyType, options.rsaBits), &issuer);
}

CertificateFactory::Issued CertificateFactory::makeForKey(const Options &options, const KeyPtr &key,
                                                          const Issued *issuer)
{
    X509Ptr cert = adoptX509(X509_new());
    if (!key || (issuer && issuer->isNull()) || !cert)
        materialFailed();
    X509 *x = cert.data();
    X509 *signer = issuer ? issuer->certificate.data() : x;
    EVP_PKEY *signingKey = issuer ? issuer->key.data() : key.data();
    const bool ok = X509_set_version(x, 2) == 1
        && ASN1_INTEGER_set_int64(X509_get_serialNumber(x), options.serial.value_or(randomSerial())) == 1
        && setTime(X509_getm_notBefore(x), options.notBefore, daysFromNow(-1))
        && setTime(X509_getm_notAfter(x), options.notAfter, daysFromNow(365)) && setSubject(x, options)
        && X509_set_issuer_name(x, X509_get_subject_name(signer)) == 1 && X509_set_pubkey(x, key.data()) == 1
        && addExtensions(x, signer, options.isCa) && X509_sign(x, signingKey, EVP_sha256()) > 0;
    if (!ok)
        materialFailed();
    return Issued{ cert, key };
}

QByteArray CertificateFactory::toDer(X509 *cert)
{
    return encoded([&](unsigned char **der) { return cert ? i2d_X509(cert, der) : 0; });
}

QByteArray CertificateFactory::toPem(X509 *cert)
{
    return written(cert, [&](BIO *bio) { return PEM_write_bio_X509(bio, cert); });
}

QByteArray CertificateFactory::toPemBundle(const QList<X509Ptr> &certs)
{
    QByteArray bundle;
    for (const X509Ptr &cert : certs)
        bundle += toPem(cert.data());
    return bundle;
}

QByteArray CertificateFactory::keyToPem(EVP_PKEY *key)
{
    return written(
        key, [&](BIO *bio) { return PEM_write_bio_PKCS8PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr); });
}

QByteArray CertificateFactory::keyToDer(EVP_PKEY *key)
{
    return written(key,
                   [&](BIO *bio) { return i2d_PKCS8PrivateKey_bio(bio, key, nullptr, nullptr, 0, nullptr, nullptr); });
}

QByteArray CertificateFactory::keyToEncryptedPem(EVP_PKEY *key, const QByteArray &password)
{
    QByteArray copy = password;
    return written(key, [&](BIO *bio) {
        return PEM_write_bio_PKCS8PrivateKey(bio, key, EVP_aes_256_cbc(), copy.data(), copy.size(), nullptr, nullptr);
    });
}

QByteArray CertificateFactory::toPkcs12(const Issued &material, const QByteArray &password, const QList<X509Ptr> &chain,
                                        const QString &friendlyName)
{
    if (material.isNull())
        return QByteArray();
    STACK_OF(X509) *cas = sk_X509_new_null();
    for (const X509Ptr &cert : chain)
        sk_X509_push(cas, cert.data());
    QByteArray name = friendlyName.toUtf8();
    PKCS12 *p12 = PKCS12_create(password.constData(), friendlyName.isEmpty() ? nullptr : name.data(),
                                material.key.data(), material.certificate.data(), cas, 0, 0, 0, 0, 0);
    sk_X509_free(cas); // the chain's certificates stay with their owners
    const QByteArray bytes = encoded([&](unsigned char **der) { return p12 ? i2d_PKCS12(p12, der) : 0; });
    PKCS12_free(p12);
    return bytes;
}

X509Ptr CertificateFactory::fromDer(const QByteArray &der)
{
    const unsigned char *cursor = reinterpret_cast<const unsigned char *>(der.constData());
    return adoptX509(d2i_X509(nullptr, &cursor, der.size()));
}

bool CertificateFactory::writeFile(const QString &path, const QByteArray &content)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}
