#include "itemimage.h"

#include "certificatefacts.h"
#include "certificateitem.h"
#include "platformlog.h"

#include <QtEndian>

#include <openssl/x509.h>

namespace ItemImage {

namespace {

const char magic[8] = { '\0', 'C', 'E', 'R', 'T', 'I', 'T', 'M' };
const quint16 currentVersion = 1;

// Ceilings that no sound item comes near; they keep a hostile image from
// making us allocate or loop without bound.
const int maxImageSize = 4 * 1024 * 1024;
const quint32 maxCertSize = 1024 * 1024;
const quint32 maxKeySize = 256 * 1024;
const quint32 maxNameSize = 64 * 1024;
const quint32 maxKeyIdSize = 64;
const quint32 maxPurposes = 64;
const quint32 maxPurposeSize = 256;

enum Flag : quint8 {
    FlagCa = 1,
    FlagHasKey = 2,
    FlagStored = 4
};
const quint8 knownFlags = FlagCa | FlagHasKey | FlagStored;

class Writer
{
public:
    QByteArray bytes;

    void raw(const char *data, int size) { bytes.append(data, size); }
    void u8(quint8 value) { bytes.append(char(value)); }
    void u16(quint16 value)
    {
        uchar buffer[2];
        qToBigEndian(value, buffer);
        raw(reinterpret_cast<const char *>(buffer), 2);
    }
    void u32(quint32 value)
    {
        uchar buffer[4];
        qToBigEndian(value, buffer);
        raw(reinterpret_cast<const char *>(buffer), 4);
    }
    void i32(qint32 value) { u32(quint32(value)); }
    void block(const QByteArray &data)
    {
        u32(quint32(data.size()));
        bytes.append(data);
    }
    void text(const QString &value) { block(value.toUtf8()); }
};

class Reader
{
public:
    explicit Reader(const QByteArray &data)
        : m_data(data)
    {
    }

    bool atEnd() const { return m_pos == m_data.size(); }

    bool raw(int size, QByteArray &out)
    {
        if (size < 0 || m_data.size() - m_pos < size)
            return false;
        out = m_data.mid(m_pos, size);
        m_pos += size;
        return true;
    }
    bool u8(quint8 &value)
    {
        QByteArray part;
        if (!raw(1, part))
            return false;
        value = quint8(part.at(0));
        return true;
    }
    bool u16(quint16 &value)
    {
        QByteArray part;
        if (!raw(2, part))
            return false;
        value = qFromBigEndian<quint16>(reinterpret_cast<const uchar *>(part.constData()));
        return true;
    }
    bool u32(quint32 &value)
    {
        QByteArray part;
        if (!raw(4, part))
            return false;
        value = qFromBigEndian<quint32>(reinterpret_cast<const uchar *>(part.constData()));
        return true;
    }
    bool i32(qint32 &value)
    {
        quint32 bits = 0;
        if (!u32(bits))
            return false;
        value = qint32(bits);
        return true;
    }
    bool block(quint32 ceiling, QByteArray &out)
    {
        quint32 size = 0;
        return u32(size) && size <= ceiling && raw(int(size), out);
    }
    bool text(quint32 ceiling, QString &out)
    {
        QByteArray bytes;
        if (!block(ceiling, bytes))
            return false;
        // With its length: a name may hold NUL characters, and the
        // QByteArray overload would stop at the first of them.
        out = QString::fromUtf8(bytes.constData(), bytes.size());
        // Only sound UTF-8 survives the round trip unchanged.
        return out.toUtf8() == bytes;
    }

private:
    const QByteArray &m_data;
    int m_pos = 0;
};

QByteArray privateKeyDer(EVP_PKEY *key)
{
    PKCS8_PRIV_KEY_INFO *info = key ? EVP_PKEY2PKCS8(key) : nullptr;
    if (!info)
        return QByteArray();
    unsigned char *data = nullptr;
    const int length = i2d_PKCS8_PRIV_KEY_INFO(info, &data);
    PKCS8_PRIV_KEY_INFO_free(info);
    if (length <= 0 || !data)
        return QByteArray();
    const QByteArray bytes(reinterpret_cast<const char *>(data), length);
    OPENSSL_clear_free(data, size_t(length));
    return bytes;
}

// Parses exactly the given bytes as one DER certificate: trailing bytes or a
// short encoding are malformed.
X509 *parseCertificate(const QByteArray &der)
{
    const unsigned char *cursor = reinterpret_cast<const unsigned char *>(der.constData());
    X509 *cert = d2i_X509(nullptr, &cursor, der.size());
    if (cert && cursor != reinterpret_cast<const unsigned char *>(der.constData()) + der.size()) {
        X509_free(cert);
        return nullptr;
    }
    return cert;
}

EVP_PKEY *parsePrivateKey(const QByteArray &der)
{
    const unsigned char *cursor = reinterpret_cast<const unsigned char *>(der.constData());
    PKCS8_PRIV_KEY_INFO *info = d2i_PKCS8_PRIV_KEY_INFO(nullptr, &cursor, der.size());
    if (!info)
        return nullptr;
    EVP_PKEY *key = nullptr;
    if (cursor == reinterpret_cast<const unsigned char *>(der.constData()) + der.size())
        key = EVP_PKCS82PKEY(info);
    PKCS8_PRIV_KEY_INFO_free(info);
    return key;
}

// What an image says, before it is given to an item.
struct Fields {
    QByteArray certDer;
    QString commonName;
    QString keyId;
    QStringList purposes;
    qint32 itemType = 0;
    qint32 userDomains = 0;
    qint32 authPreference = 0;
    quint8 flags = 0;
    QByteArray keyDer;
};

bool parseFields(const QByteArray &data, Fields &fields)
{
    if (data.size() > maxImageSize) {
        PLATFORM_LOG_ERROR("Deserialize: image too large (%d bytes)", int(data.size()));
        return false;
    }
    Reader in(data);
    QByteArray head;
    quint16 version = 0;
    if (!in.raw(int(sizeof magic), head) || head != QByteArray(magic, int(sizeof magic))) {
        PLATFORM_LOG_ERROR("Deserialize: not a serialized certificate item");
        return false;
    }
    if (!in.u16(version) || version != currentVersion) {
        PLATFORM_LOG_ERROR("Deserialize: unsupported image version %u", unsigned(version));
        return false;
    }
    quint32 count = 0;
    bool ok = in.block(maxCertSize, fields.certDer) && !fields.certDer.isEmpty()
        && in.text(maxNameSize, fields.commonName) && in.text(maxKeyIdSize, fields.keyId) && in.u32(count)
        && count <= maxPurposes;
    for (quint32 i = 0; ok && i < count; ++i) {
        QString purpose;
        ok = in.text(maxPurposeSize, purpose);
        fields.purposes << purpose;
    }
    ok = ok && in.i32(fields.itemType) && in.i32(fields.userDomains) && in.i32(fields.authPreference)
        && in.u8(fields.flags) && (fields.flags & ~knownFlags) == 0 && in.block(maxKeySize, fields.keyDer) && in.atEnd()
        && (fields.keyDer.isEmpty() || (fields.flags & FlagHasKey));
    if (!ok)
        PLATFORM_LOG_ERROR("Deserialize: malformed or truncated image");
    return ok;
}

} // namespace

bool write(const CertificateItem &item, QByteArray &out)
{
    const QByteArray certDer = CertificateFacts::der(item.cert);
    if (certDer.isEmpty()) {
        PLATFORM_LOG_ERROR("serialize: the item has no certificate");
        return false;
    }
    // A stored certificate knows that its key is in the store without
    // carrying it: the flag goes without key bytes, so that the service can
    // act on the key's record.
    QByteArray keyDer;
    if (item.hasKey && item.privateKey) {
        keyDer = privateKeyDer(item.privateKey);
        if (keyDer.isEmpty()) {
            PLATFORM_LOG_ERROR("serialize: the item's private key cannot be encoded");
            return false;
        }
    }
    if (item.purposes.size() > int(maxPurposes)) {
        PLATFORM_LOG_ERROR("serialize: too many purposes (%d)", int(item.purposes.size()));
        return false;
    }
    Writer w;
    w.raw(magic, int(sizeof magic));
    w.u16(currentVersion);
    w.block(certDer);
    w.text(item.commonName);
    w.text(item.keyId);
    w.u32(quint32(item.purposes.size()));
    for (const QString &purpose : item.purposes)
        w.text(purpose);
    w.i32(item.itemType);
    w.i32(item.userDomains);
    w.i32(item.authPreference);
    w.u8(quint8((item.isCA ? FlagCa : 0) | (item.hasKey ? FlagHasKey : 0) | (item.stored ? FlagStored : 0)));
    w.block(keyDer);
    out = w.bytes;
    return true;
}

bool read(CertificateItem &item, const QByteArray &data)
{
    Fields fields;
    if (!parseFields(data, fields))
        return false;

    X509 *cert = parseCertificate(fields.certDer);
    CertificateItem parsed;
    const bool usable = cert && parsed.setCertificate(cert);
    X509_free(cert);
    if (!usable) {
        PLATFORM_LOG_ERROR("Deserialize: the image's certificate is unusable");
        return false;
    }
    // The text fields must be what the certificate itself says: an image
    // whose key id names another certificate would make the service act on
    // the wrong store entry.
    if (parsed.keyId != fields.keyId || parsed.commonName != fields.commonName
        || parsed.isCA != bool(fields.flags & FlagCa)) {
        PLATFORM_LOG_ERROR("Deserialize: the image's fields disagree with its certificate");
        return false;
    }
    if (!fields.keyDer.isEmpty()) {
        EVP_PKEY *key = parsePrivateKey(fields.keyDer);
        const bool matches = key && EVP_PKEY_eq(X509_get0_pubkey(parsed.cert), key) == 1;
        if (matches)
            parsed.setPrivateKey(key);
        EVP_PKEY_free(key);
        if (!matches) {
            PLATFORM_LOG_ERROR("Deserialize: the image's private key is unusable or not the certificate's");
            return false;
        }
    }

    X509_free(item.cert);
    item.cert = parsed.cert;
    parsed.cert = nullptr;
    EVP_PKEY_free(item.privateKey);
    item.privateKey = parsed.privateKey;
    parsed.privateKey = nullptr;
    item.commonName = parsed.commonName;
    item.keyId = parsed.keyId;
    item.isCA = parsed.isCA;
    item.hasKey = (fields.flags & FlagHasKey) != 0;
    item.purposes = fields.purposes;
    item.itemType = fields.itemType;
    item.userDomains = fields.userDomains;
    item.authPreference = fields.authPreference;
    item.stored = fields.flags & FlagStored;
    return true;
}

} // namespace ItemImage
