#ifndef ISSUERCHAIN_H
#define ISSUERCHAIN_H

#include <QList>

class CertificateItem;

// The issuers of a certificate, nearest first, as far as they can be found:
// among the certificates of the file it came from, then in the certificate
// store (every private and shared domain). The chain ends at a certificate
// that issued itself, at one whose issuer is nowhere to be found, or after a
// few steps.
class IssuerChain
{
public:
    explicit IssuerChain(const CertificateItem *item);
    ~IssuerChain();
    IssuerChain(const IssuerChain &) = delete;
    IssuerChain &operator=(const IssuerChain &) = delete;

    QList<CertificateItem *> issuers() const;

    // Items found in the store were made for the chain; they leave with it
    // unless taken over here (the caller deletes them then).
    QList<CertificateItem *> takeOwnedItems();

private:
    QList<CertificateItem *> m_issuers;
    QList<CertificateItem *> m_owned;
};

#endif
