#include "certificatefacts.h"

#include <QTime>

#include <openssl/bn.h>
#include <openssl/objects.h>
#include <openssl/x509v3.h>

#include <bastra_certman.h>

namespace CertificateFacts {

namespace {

QString entryText(const X509_NAME_ENTRY *entry)
{
    const ASN1_STRING *data = X509_NAME_ENTRY_get_data(entry);
    if (!data)
        return QString();
    unsigned char *utf8 = nullptr;
    const int length = ASN1_STRING_to_UTF8(&utf8, data);
    if (length < 0 || !utf8)
        return QString();
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(utf8), length);
    OPENSSL_free(utf8);
    return text;
}

QString lastEntry(const X509_NAME *name, int nid)
{
    if (!name)
        return QString();
    int found = -1;
    for (int i = X509_NAME_get_index_by_NID(name, nid, -1); i >= 0; i = X509_NAME_get_index_by_NID(name, nid, i))
        found = i;
    return found < 0 ? QString() : entryText(X509_NAME_get_entry(name, found));
}

QString firstEntry(const X509_NAME *name, int nid)
{
    if (!name)
        return QString();
    const int index = X509_NAME_get_index_by_NID(name, nid, -1);
    return index < 0 ? QString() : entryText(X509_NAME_get_entry(name, index));
}

QString hex(const unsigned char *data, unsigned int length, bool colons)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(length));
    return colons ? QString::fromLatin1(bytes.toHex(':')).toUpper() : QString::fromLatin1(bytes.toHex());
}

} // namespace

QString commonName(const X509_NAME *name)
{
    return lastEntry(name, NID_commonName);
}

QString organization(const X509_NAME *name)
{
    return firstEntry(name, NID_organizationName);
}

QString shortName(const X509_NAME *name)
{
    QString text = commonName(name);
    if (text.isEmpty())
        text = organization(name);
    if (text.isEmpty() && name && X509_NAME_entry_count(name) > 0)
        text = entryText(X509_NAME_get_entry(name, 0));
    return text;
}

QString oneLine(const X509_NAME *name)
{
    if (!name)
        return QString();
    BIO *bio = BIO_new(BIO_s_mem());
    if (!bio)
        return QString();
    QString text;
    // RFC 2253 escaping, but in the certificate's own order, with readable
    // separators and non-ASCII text left as it is.
    const unsigned long flags = (ASN1_STRFLGS_RFC2253 & ~ASN1_STRFLGS_ESC_MSB) | XN_FLAG_SEP_CPLUS_SPC | XN_FLAG_FN_SN
        | XN_FLAG_DUMP_UNKNOWN_FIELDS;
    if (X509_NAME_print_ex(bio, name, 0, flags) >= 0) {
        char *data = nullptr;
        const long length = BIO_get_mem_data(bio, &data);
        if (length > 0 && data)
            text = QString::fromUtf8(data, int(length));
    }
    BIO_free(bio);
    return text;
}

QDateTime toDateTime(const ASN1_TIME *time)
{
    struct tm parts = {};
    if (!time || ASN1_TIME_to_tm(time, &parts) != 1)
        return QDateTime();
    const QDate date(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday);
    const QTime clock(parts.tm_hour, parts.tm_min, parts.tm_sec);
    if (!date.isValid() || !clock.isValid())
        return QDateTime();
    return QDateTime(date, clock, Qt::UTC);
}

bool hasNegativeSerial(const X509 *cert)
{
    const ASN1_INTEGER *serial = cert ? X509_get0_serialNumber(cert) : nullptr;
    return serial && ASN1_STRING_type(serial) == V_ASN1_NEG_INTEGER;
}

QString serialNumber(const X509 *cert)
{
    return serialNumber(cert ? X509_get0_serialNumber(cert) : nullptr);
}

QString serialNumber(const ASN1_INTEGER *serial)
{
    if (!serial)
        return QString();
    BIGNUM *number = ASN1_INTEGER_to_BN(serial, nullptr);
    if (!number)
        return QString();
    QString text;
    if (char *digits = BN_bn2hex(number)) {
        text = QString::fromLatin1(digits);
        OPENSSL_free(digits);
    }
    BN_free(number);
    return text;
}

QByteArray der(const X509 *cert)
{
    if (!cert)
        return QByteArray();
    unsigned char *data = nullptr;
    const int length = i2d_X509(cert, &data);
    if (length <= 0 || !data)
        return QByteArray();
    const QByteArray bytes(reinterpret_cast<const char *>(data), length);
    OPENSSL_free(data);
    return bytes;
}

QString fingerprint(const X509 *cert, const EVP_MD *md)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!cert || !md || X509_digest(cert, md, digest, &length) != 1)
        return QString();
    return hex(digest, length, true);
}

QString sha256Hex(const X509 *cert)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!cert || X509_digest(cert, EVP_sha256(), digest, &length) != 1)
        return QString();
    return hex(digest, length, false);
}

bool isCa(X509 *cert)
{
    return cert && (X509_get_extension_flags(cert) & EXFLAG_CA);
}

bool isSelfIssued(X509 *cert)
{
    return cert && (X509_get_extension_flags(cert) & EXFLAG_SI);
}

bool isIssuedBy(X509 *cert, X509 *issuer)
{
    if (!cert || !issuer || X509_check_issued(issuer, cert) != X509_V_OK)
        return false;
    EVP_PKEY *key = X509_get0_pubkey(issuer);
    return key && X509_verify(cert, key) == 1;
}

QString keyDescription(X509 *cert)
{
    EVP_PKEY *key = cert ? X509_get0_pubkey(cert) : nullptr;
    if (!key)
        return QString();
    const char *type = EVP_PKEY_get0_type_name(key);
    const int bits = EVP_PKEY_get_bits(key);
    QString text = type ? QString::fromLatin1(type) : QStringLiteral("?");
    if (bits > 0)
        text += QLatin1Char(' ') + QString::number(bits);
    return text;
}

QStringList keyUsages(X509 *cert)
{
    QStringList names;
    if (!cert)
        return names;
    const uint32_t flags = X509_get_extension_flags(cert);
    if (flags & EXFLAG_KUSAGE) {
        static const struct {
            uint32_t bit;
            const char *name;
        } usages[] = {
            { KU_DIGITAL_SIGNATURE, "digitalSignature" },
            { KU_NON_REPUDIATION, "nonRepudiation" },
            { KU_KEY_ENCIPHERMENT, "keyEncipherment" },
            { KU_DATA_ENCIPHERMENT, "dataEncipherment" },
            { KU_KEY_AGREEMENT, "keyAgreement" },
            { KU_KEY_CERT_SIGN, "keyCertSign" },
            { KU_CRL_SIGN, "cRLSign" },
            { KU_ENCIPHER_ONLY, "encipherOnly" },
            { KU_DECIPHER_ONLY, "decipherOnly" },
        };
        const uint32_t bits = X509_get_key_usage(cert);
        for (const auto &usage : usages)
            if (bits & usage.bit)
                names << QString::fromLatin1(usage.name);
    }
    if (flags & EXFLAG_XKUSAGE) {
        auto *extended = static_cast<EXTENDED_KEY_USAGE *>(X509_get_ext_d2i(cert, NID_ext_key_usage, nullptr, nullptr));
        for (int i = 0; extended && i < sk_ASN1_OBJECT_num(extended); ++i) {
            const ASN1_OBJECT *object = sk_ASN1_OBJECT_value(extended, i);
            const int nid = OBJ_obj2nid(object);
            if (nid != NID_undef) {
                names << QString::fromLatin1(OBJ_nid2ln(nid));
            } else {
                char text[80];
                OBJ_obj2txt(text, sizeof text, object, 1);
                names << QString::fromLatin1(text);
            }
        }
        EXTENDED_KEY_USAGE_free(extended);
    }
    return names;
}

QString keyIdText(X509 *cert)
{
    bastra_key_id id;
    char text[BASTRA_KEY_ID_TEXT_SIZE];
    if (!cert || bastra_certman_get_cert_key_id(cert, &id) != 0
        || bastra_certman_key_id_to_str(&id, text, sizeof text) != 0)
        return QString();
    return QString::fromLatin1(text);
}

QString keyIdText(EVP_PKEY *key)
{
    bastra_key_id id;
    char text[BASTRA_KEY_ID_TEXT_SIZE];
    if (!key || bastra_certman_get_key_key_id(key, &id) != 0
        || bastra_certman_key_id_to_str(&id, text, sizeof text) != 0)
        return QString();
    return QString::fromLatin1(text);
}

} // namespace CertificateFacts
