#include "certificateitem.h"

#include "certificatefacts.h"
#include "itemimage.h"
#include "platformlog.h"
#include "shownstrings.h"
#include "uitext.h"

CertificateItem::CertificateItem()
    : cert(nullptr)
    , itemType(UserItem)
    , userDomains(1)
    , isCA(false)
    , hasKey(false)
    , stored(false)
    , authPreference(-1)
    , privateKey(nullptr)
{
}

CertificateItem::~CertificateItem()
{
    X509_free(cert);
    EVP_PKEY_free(privateKey);
}

bool CertificateItem::setCertificate(X509 *certificate)
{
    if (!certificate) {
        PLATFORM_LOG_ERROR("setCertificate: no certificate given");
        return false;
    }
    // A certificate without a readable public key has no key id: the store
    // could not hold it, so it is of no use as an item.
    const QString id = X509_get0_pubkey(certificate) ? CertificateFacts::keyIdText(certificate) : QString();
    if (id.isEmpty()) {
        PLATFORM_LOG_ERROR("setCertificate: the certificate's public key cannot be read");
        return false;
    }
    if (X509_up_ref(certificate) != 1)
        return false;
    X509_free(cert);
    cert = certificate;
    keyId = id;
    commonName = CertificateFacts::commonName(X509_get_subject_name(cert));
    isCA = CertificateFacts::isCa(cert);
    itemType = isCA ? CaItem : UserItem;
    return true;
}

bool CertificateItem::setPrivateKey(EVP_PKEY *key)
{
    if (!key || EVP_PKEY_up_ref(key) != 1)
        return false;
    EVP_PKEY_free(privateKey);
    privateKey = key;
    hasKey = true;
    return true;
}

QDateTime CertificateItem::expireDate() const
{
    return cert ? CertificateFacts::toDateTime(X509_get0_notAfter(cert)) : QDateTime();
}

QDateTime CertificateItem::startDate() const
{
    return cert ? CertificateFacts::toDateTime(X509_get0_notBefore(cert)) : QDateTime();
}

int CertificateItem::check_time() const
{
    return cert ? ShownStrings::timeState(X509_get0_notBefore(cert), X509_get0_notAfter(cert)) : 0;
}

bool CertificateItem::serialize(QByteArray &out) const
{
    return ItemImage::write(*this, out);
}

bool CertificateItem::Deserialize(CertificateItem &item, const QByteArray &data)
{
    return ItemImage::read(item, data);
}

QStringList CertificateItem::id_strings() const
{
    if (!cert)
        return QStringList();
    return QStringList()
        << uiText("lgd_certman_id_subject", "Subject: %1").arg(CertificateFacts::oneLine(X509_get_subject_name(cert)))
        << uiText("lgd_certman_id_issuer", "Issuer: %1").arg(CertificateFacts::oneLine(X509_get_issuer_name(cert)))
        << uiText("lgd_certman_id_serial", "Serial number: %1").arg(CertificateFacts::serialNumber(cert))
        << uiText("lgd_certman_id_sha256", "SHA-256 fingerprint: %1")
               .arg(CertificateFacts::fingerprint(cert, EVP_sha256()));
}

static QStringList displayStrings(const CertificateItem &item)
{
    if (!item.cert)
        return QStringList();
    return ShownStrings::of(ShownStrings::name(X509_get_subject_name(item.cert), X509_get0_serialNumber(item.cert)),
                            CertificateFacts::shortName(X509_get_issuer_name(item.cert)),
                            X509_get0_notBefore(item.cert), X509_get0_notAfter(item.cert));
}

QVariant CertificateItem::attribute(int key) const
{
    switch (key) {
    case DisplayStrings:
        return displayStrings(*this);
    case ItemPointer:
        return QVariant::fromValue(const_cast<CertificateItem *>(this));
    case ValidityStart: {
        const QDateTime start = startDate();
        if (!start.isValid())
            return QStringList();
        return QStringList(start.toUTC().toString(QStringLiteral("yyyyMMddHHmmss'Z'")));
    }
    case SortKey: {
        // Names sort case-insensitively; the fingerprint keeps the order of
        // equally named certificates stable.
        const QStringList shown = displayStrings(*this);
        return (shown.isEmpty() ? QString() : shown.first().toLower()) + QLatin1Char('\n')
            + CertificateFacts::sha256Hex(cert);
    }
    case Identity:
        // One entry, so that a model's match() on this role, which compares
        // the value as a single string, finds exactly this certificate.
        return cert ? QStringList(CertificateFacts::sha256Hex(cert)) : QStringList();
    case Manageable:
        // Certificates living only in the platform's shared domains are the
        // device's own roots: the user may look at them, not remove them.
        return userDomains != 0 ? 1 : 0;
    default:
        return QVariant();
    }
}
