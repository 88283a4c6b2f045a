#ifndef TRUSTPANEL_CERTIFICATEDELETION_H
#define TRUSTPANEL_CERTIFICATEDELETION_H

#include <QStringList>
#include <QVariant>

class CertificateItem;

// When a certificate may be deleted from the details menu, and from which
// store domains.
namespace CertificateDeletion {

enum class Step {
    Nothing, // no certificate, or one without a key id: nothing to do
    RefuseRoot, // the user may not manage it: a banner and nothing else
    Confirm // ask the user, then delete
};

// manageable is the row's manageable role; a row without one is not
// manageable.
Step firstStep(const CertificateItem *item, const QVariant &manageable);

// Only a plain Yes deletes; No, or leaving the question, keeps the certificate.
bool confirmed(int button);

// The item's store domains: each of its purposes with the item's suffix, in
// the item's order. Shared platform domains and trust records among its
// purposes are not the user's to delete from and are left out; the item
// itself is not changed.
QStringList domains(const CertificateItem &item);

} // namespace CertificateDeletion

#endif
