#include "storedcertificatesloader.h"

#include "certificateitem.h"
#include "certuilog.h"
#include "storeddomains.h"

#include <trustkeepclient.h>
#include <trustkeepservice.h>

#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QHash>

#include <openssl/x509.h>

namespace {

QString listedName(const QVariant &value)
{
    // The listing's values are variants holding the name; a demarshalled
    // dictionary may still wrap them once more.
    if (value.userType() == qMetaTypeId<QDBusVariant>())
        return value.value<QDBusVariant>().variant().toString();
    return value.toString();
}

std::unique_ptr<CertificateItem> itemFromDer(const QByteArray &der)
{
    const unsigned char *cursor = reinterpret_cast<const unsigned char *>(der.constData());
    X509 *parsed = d2i_X509(nullptr, &cursor, der.size());
    if (!parsed) {
        CERTUI_LOG_ERROR("%s: listed certificate is not DER (%s)", "group", CertUiLog::lastOpenSslError());
        return nullptr;
    }
    auto item = std::make_unique<CertificateItem>();
    const bool taken = item->setCertificate(parsed);
    X509_free(parsed);
    return taken ? std::move(item) : nullptr;
}

// A certificate in one of the user's own store domains may have been
// installed with its private key; shared roots and trust records never are.
bool mayHaveKey(const QStringList &purposes)
{
    for (const QString &purpose : purposes) {
        if (StoredDomains::isPurposePrefix(purpose))
            return true;
    }
    return false;
}

} // namespace

StoredCertificatesLoader::StoredCertificatesLoader(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_client(new TrustkeepClient(QLatin1String(TrustkeepService::name), QLatin1String(TrustkeepService::path),
                                   bus, this))
    , m_pendingKeyCalls(0)
{
}

StoredCertificatesLoader::~StoredCertificatesLoader() = default;

void StoredCertificatesLoader::start(const QStringList &domains)
{
    auto *call = new QDBusPendingCallWatcher(m_client->LoadCertificatesFromDomains(domains), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, &StoredCertificatesLoader::listed);
}

std::vector<StoredCertificate> StoredCertificatesLoader::takeResult()
{
    return std::move(m_found);
}

std::vector<StoredCertificate> StoredCertificatesLoader::group(const QVariantMap &listing)
{
    std::vector<StoredCertificate> found;
    QHash<QString, int> rowOfText;
    // The map may repeat a key, once per domain listing the certificate.
    for (auto entry = listing.constBegin(); entry != listing.constEnd(); ++entry) {
        const QString purpose = StoredDomains::purposeOf(listedName(entry.value()));
        auto known = rowOfText.constFind(entry.key());
        if (known == rowOfText.constEnd()) {
            const QByteArray der = QByteArray::fromBase64(entry.key().toLatin1());
            std::unique_ptr<CertificateItem> item = der.isEmpty() ? nullptr : itemFromDer(der);
            if (!item) {
                CERTUI_LOG_ERROR("%s: left out an entry of %s that is no certificate", "group",
                                 qUtf8Printable(purpose));
                rowOfText.insert(entry.key(), -1);
                continue;
            }
            item->stored = true;
            known = rowOfText.insert(entry.key(), int(found.size()));
            found.push_back(StoredCertificate{ std::move(item), der });
        }
        if (known.value() < 0)
            continue;
        CertificateItem &item = *found[size_t(known.value())].item;
        if (!item.purposes.contains(purpose))
            item.purposes << purpose;
    }
    for (StoredCertificate &certificate : found)
        certificate.item->userDomains = StoredDomains::userDomainsFlag(certificate.item->purposes);
    return found;
}

void StoredCertificatesLoader::listed(QDBusPendingCallWatcher *call)
{
    call->deleteLater();
    const QDBusPendingReply<QVariantMap> reply = *call;
    if (reply.isError()) {
        CERTUI_LOG_ERROR("%s: no certificates from the service: %s: %s", "populate",
                         qUtf8Printable(reply.error().name()), qUtf8Printable(reply.error().message()));
        emit finished();
        return;
    }
    m_found = group(reply.value());
    for (size_t i = 0; i < m_found.size(); ++i) {
        if (mayHaveKey(m_found[i].item->purposes))
            askKeyData(int(i));
    }
    finishWhenDone();
}

void StoredCertificatesLoader::askKeyData(int index)
{
    ++m_pendingKeyCalls;
    auto *call = new QDBusPendingCallWatcher(m_client->GetPrivateKeyData(m_found[size_t(index)].item->keyId), this);
    connect(call, &QDBusPendingCallWatcher::finished, this,
            [this, index](QDBusPendingCallWatcher *answered) { keyDataAnswered(index, answered); });
}

void StoredCertificatesLoader::keyDataAnswered(int index, QDBusPendingCallWatcher *call)
{
    call->deleteLater();
    --m_pendingKeyCalls;
    const QDBusPendingReply<int> reply = *call;
    CertificateItem &item = *m_found[size_t(index)].item;
    if (reply.isError()) {
        // The certificate is still listed; only its key facts are unknown.
        CERTUI_LOG_ERROR("%s: no key data for %s: %s", "populate", qUtf8Printable(item.keyId),
                         qUtf8Printable(reply.error().message()));
    } else {
        // The service answers the key's preference, or -1 when it keeps no
        // key for the certificate. A recorded value above 2 is handed out
        // under a password like 2, so it shows as 2.
        const int preference = reply.value();
        item.hasKey = preference >= 0;
        item.authPreference = preference < 0 ? -1 : qMin(preference, 2);
    }
    finishWhenDone();
}

void StoredCertificatesLoader::finishWhenDone()
{
    if (m_pendingKeyCalls == 0)
        emit finished();
}
