#include "issuerchain.h"

#include "certificatefacts.h"
#include "certificateitem.h"
#include "filesiblings.h"
#include "purposelist.h"

#include <bastra_certman.h>

#include <QStringList>

#include <openssl/err.h>

namespace {

const int maxChainLength = 8;

// One walk over the store looking for the issuer of one certificate.
struct StoreSearch {
    X509 *subject = nullptr;
    X509 *found = nullptr; // a copy, owned by the search
    QStringList foundDomains; // the domains that hold it
    bool foundShared = false;
    bool foundPrivate = false;
    QString currentDomain;
    bool currentShared = false;
};

int visitCertificate(int, X509 *cert, void *user)
{
    auto *search = static_cast<StoreSearch *>(user);
    if (!search->found) {
        if (X509_cmp(cert, search->subject) == 0 || !CertificateFacts::isIssuedBy(search->subject, cert))
            return 0;
        search->found = X509_dup(cert);
    } else if (X509_cmp(search->found, cert) != 0) {
        return 0; // only the domains of the issuer found are of interest now
    }
    search->foundDomains << search->currentDomain;
    (search->currentShared ? search->foundShared : search->foundPrivate) = true;
    return 0;
}

int visitDomain(int, const char *name, void *user)
{
    auto *search = static_cast<StoreSearch *>(user);
    bastra_domain domain = nullptr;
    const int mode = search->currentShared ? BASTRA_DOMAIN_SHARED : BASTRA_DOMAIN_PRIVATE;
    if (bastra_certman_open_domain(name, mode, &domain) != 0)
        return 0;
    search->currentDomain = QString::fromUtf8(name);
    bastra_certman_iterate_certs(domain, visitCertificate, search);
    bastra_certman_close_domain(domain);
    return 0;
}

// The purposes of a certificate as its domains tell them: a purpose domain
// ("ssl-ca", "wifi-user") gives its purpose, any other domain ("common-ca")
// is listed by its own name, as the programs using this library expect.
QStringList purposesOf(const QStringList &domains)
{
    QStringList purposes;
    for (const QString &domain : domains) {
        QString purpose = domain;
        for (const Purpose &entry : purposeList) {
            const QString prefix = QString::fromLatin1(entry.prefix);
            if (domain == prefix + QLatin1String("-ca") || domain == prefix + QLatin1String("-user"))
                purpose = prefix;
        }
        if (!purposes.contains(purpose))
            purposes << purpose;
    }
    return purposes;
}

CertificateItem *issuerInStore(X509 *subject)
{
    StoreSearch search;
    search.subject = subject;
    search.currentShared = false;
    bastra_certman_iterate_domains(BASTRA_ITERATE_PRIVATE, visitDomain, &search);
    search.currentShared = true;
    bastra_certman_iterate_domains(BASTRA_ITERATE_SHARED, visitDomain, &search);
    ERR_clear_error();
    if (!search.found)
        return nullptr;
    auto *item = new CertificateItem;
    const bool usable = item->setCertificate(search.found);
    X509_free(search.found);
    if (!usable) {
        delete item;
        return nullptr;
    }
    item->stored = true;
    item->purposes = purposesOf(search.foundDomains);
    item->userDomains = search.foundPrivate ? 1 : 0;
    return item;
}

CertificateItem *issuerAmong(X509 *subject, const QList<CertificateItem *> &candidates)
{
    for (CertificateItem *candidate : candidates) {
        if (candidate->cert && X509_cmp(candidate->cert, subject) != 0
            && CertificateFacts::isIssuedBy(subject, candidate->cert))
            return candidate;
    }
    return nullptr;
}

} // namespace

IssuerChain::IssuerChain(const CertificateItem *item)
{
    const QList<CertificateItem *> siblings = item ? FileSiblings::of(item) : QList<CertificateItem *>();
    X509 *current = item ? item->cert : nullptr;
    while (current && m_issuers.size() < maxChainLength && !CertificateFacts::isSelfIssued(current)) {
        CertificateItem *issuer = issuerAmong(current, siblings);
        if (!issuer) {
            issuer = issuerInStore(current);
            if (issuer)
                m_owned << issuer;
        }
        if (!issuer)
            break;
        bool seen = X509_cmp(issuer->cert, item->cert) == 0;
        for (const CertificateItem *earlier : m_issuers)
            seen = seen || X509_cmp(earlier->cert, issuer->cert) == 0;
        if (seen)
            break; // two certificates issuing each other
        m_issuers << issuer;
        current = issuer->cert;
    }
}

IssuerChain::~IssuerChain()
{
    qDeleteAll(m_owned);
}

QList<CertificateItem *> IssuerChain::issuers() const
{
    return m_issuers;
}

QList<CertificateItem *> IssuerChain::takeOwnedItems()
{
    const QList<CertificateItem *> owned = m_owned;
    m_owned.clear();
    return owned;
}
