#include "testmaterial.h"

#include <bastra_certman.h>
#include <bastra_crypto.h>
#include <certificateitem.h>

#include <openssl/crypto.h>

KeyMaterial KeyMaterial::make(const QString &commonName, bool isCa)
{
    CertificateFactory::Options options;
    options.commonName = commonName;
    options.isCa = isCa;
    KeyMaterial material;
    material.made = CertificateFactory::makeSelfSigned(options);
    material.keyId = StoreProbe::keyIdOf(material.certificate());
    return material;
}

QString KeyMaterial::itemText(int preference, const QStringList &purposes, bool withKey) const
{
    CertificateItem item;
    if (!item.setCertificate(certificate()))
        return QString();
    if (withKey && !item.setPrivateKey(made.key.data()))
        return QString();
    item.authPreference = preference;
    item.purposes = purposes;
    QByteArray image;
    if (!item.serialize(image))
        return QString();
    return QString::fromLatin1(image.toBase64());
}

QByteArray KeyMaterial::privateDer() const
{
    unsigned char *buffer = nullptr;
    const int length = i2d_PrivateKey(made.key.data(), &buffer);
    const QByteArray der(reinterpret_cast<const char *>(buffer), qMax(0, length));
    OPENSSL_free(buffer);
    return der;
}

ServerCertificate ServerCertificate::make(const QString &commonName, int validDays)
{
    CertificateFactory::Options options;
    options.commonName = commonName;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    options.notBefore = now.addDays(-1);
    options.notAfter = now.addDays(validDays);
    ServerCertificate server;
    server.made = CertificateFactory::makeSelfSigned(options);
    server.der = CertificateFactory::toDer(server.made.certificate.data());
    server.notAfter = QDateTime::fromSecsSinceEpoch(options.notAfter.toSecsSinceEpoch(), Qt::UTC);
    return server;
}

namespace StoreProbe {

QString keyIdOf(X509 *certificate)
{
    bastra_key_id id;
    char text[BASTRA_KEY_ID_TEXT_SIZE];
    if (!certificate || bastra_certman_get_cert_key_id(certificate, &id) != 0
        || bastra_certman_key_id_to_str(&id, text, sizeof text) != 0)
        return QString();
    return QString::fromLatin1(text);
}

QByteArray heldDer(const QString &domain, const QString &keyId)
{
    bastra_key_id id;
    bastra_domain handle = nullptr;
    if (bastra_certman_str_to_key_id(keyId.toLatin1().constData(), &id) != 0
        || bastra_certman_open_domain(domain.toLatin1().constData(), BASTRA_DOMAIN_PRIVATE, &handle) != 0)
        return QByteArray();
    X509 *held = nullptr;
    const int loaded = bastra_certman_load_cert(handle, &id, &held);
    bastra_certman_close_domain(handle);
    const QByteArray der = loaded == 0 && held ? CertificateFactory::toDer(held) : QByteArray();
    X509_free(held);
    return der;
}

bool domainHolds(const QString &domain, const QString &keyId)
{
    return !heldDer(domain, keyId).isEmpty();
}

QStringList domainsHolding(const QString &keyId)
{
    QStringList domains;
    for (const char *purpose : { "ssl", "wifi", "smime", "codesign" }) {
        for (const char *suffix : { "-ca", "-user" }) {
            const QString domain = QLatin1String(purpose) + QLatin1String(suffix);
            if (domainHolds(domain, keyId))
                domains << domain;
        }
    }
    return domains;
}

bool addToDomain(const QString &domain, X509 *certificate)
{
    bastra_domain handle = nullptr;
    if (bastra_certman_open_domain(domain.toLatin1().constData(), BASTRA_DOMAIN_PRIVATE, &handle) != 0)
        return false;
    const int added = bastra_certman_add_cert(handle, certificate);
    bastra_certman_close_domain(handle);
    return added == 0;
}

QByteArray decrypt(const QString &reply, const QString &token)
{
    const QByteArray cipher = QByteArray::fromBase64(reply.toLatin1());
    unsigned char *clear = nullptr;
    size_t length = 0;
    if (bastra_crypto_decrypt(cipher.constData(), size_t(cipher.size()), token.toUtf8().constData(), &clear, &length)
        != 0)
        return QByteArray();
    const QByteArray result(reinterpret_cast<const char *>(clear), int(length));
    bastra_crypto_free(clear);
    return result;
}

bool keyOpensWith(const QString &keyId, const QString &password)
{
    bastra_key_id id;
    EVP_PKEY *key = nullptr;
    const bool opened = bastra_certman_str_to_key_id(keyId.toLatin1().constData(), &id) == 0
        && bastra_certman_retrieve_key(&id, &key, password.toUtf8().constData()) == 0;
    EVP_PKEY_free(key);
    return opened;
}

} // namespace StoreProbe
