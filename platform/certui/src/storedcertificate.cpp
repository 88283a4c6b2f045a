#include "storedcertificate.h"

#include "certificatefacts.h"
#include "opensslowners.h"
#include "platformlog.h"
#include "storeddomains.h"

#include <QDBusPendingReply>

namespace {

std::unique_ptr<CertificateItem> itemFromDer(const QByteArray &der)
{
    const unsigned char *cursor = reinterpret_cast<const unsigned char *>(der.constData());
    const OwnedX509 parsed(der.isEmpty() ? nullptr : d2i_X509(nullptr, &cursor, der.size()));
    if (!parsed)
        return nullptr;
    auto item = std::make_unique<CertificateItem>();
    const bool taken = item->setCertificate(parsed.get());
    return taken ? std::move(item) : nullptr;
}

} // namespace

bool StoredCertificate::read(const QByteArray &der, OutlineCache *cache)
{
    m_der = der;
    if (CertificateOutline::read(der, &m_outline, cache))
        return true;
    // Not plain enough to read without the full parse: the full parse
    // decides, as it would for any certificate.
    const std::unique_ptr<CertificateItem> parsed = itemFromDer(der);
    return parsed && CertificateOutline::of(parsed->cert, &m_outline);
}

bool StoredCertificate::take(std::unique_ptr<CertificateItem> item)
{
    if (!item || !CertificateOutline::of(item->cert, &m_outline))
        return false;
    m_der = CertificateFacts::der(item->cert);
    m_item = std::move(item);
    return !m_der.isEmpty();
}

QStringList StoredCertificate::purposes() const
{
    return m_item ? m_item->purposes : m_purposes;
}

bool StoredCertificate::isCa() const
{
    return m_item ? m_item->isCA : m_outline.isCa;
}

void StoredCertificate::addPurpose(const QString &purpose)
{
    if (!m_purposes.contains(purpose))
        m_purposes << purpose;
}

void StoredCertificate::setKeyPreference(int preference)
{
    // The service answers the key's preference, or -1 when it keeps no key
    // for the certificate. A recorded value above 2 is handed out under a
    // password like 2, so it shows as 2.
    m_hasKey = preference >= 0;
    m_authPreference = preference < 0 ? -1 : qMin(preference, 2);
}

void StoredCertificate::takeKeyAnswer()
{
    if (!m_keyAnswer)
        return;
    QDBusPendingReply<int> reply = *m_keyAnswer;
    m_keyAnswer.reset();
    if (!reply.isFinished())
        reply.waitForFinished();
    if (reply.isError()) {
        // The certificate is still listed; only its key facts are unknown.
        PLATFORM_LOG_ERROR("%s: no key data for %s: %s", "populate", qUtf8Printable(m_outline.keyId),
                           qUtf8Printable(reply.error().message()));
        return;
    }
    setKeyPreference(reply.value());
}

CertificateItem *StoredCertificate::item()
{
    if (m_item || m_itemFailed)
        return m_item.get();
    takeKeyAnswer();
    m_item = itemFromDer(m_der);
    if (!m_item) {
        // The outline read, but the full parse (the key) did not: the row
        // stays, without an item to open.
        m_itemFailed = true;
        PLATFORM_LOG_ERROR("%s: the certificate %s cannot be read in full", "populate",
                           qUtf8Printable(m_outline.keyId));
        return nullptr;
    }
    m_item->purposes = m_purposes;
    m_item->stored = true;
    m_item->userDomains = StoredDomains::userDomainsFlag(m_purposes);
    m_item->hasKey = m_hasKey;
    m_item->authPreference = m_authPreference;
    return m_item.get();
}

std::unique_ptr<CertificateItem> StoredCertificate::takeItem()
{
    return std::move(m_item);
}
