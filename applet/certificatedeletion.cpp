#include "certificatedeletion.h"

#include "purposetable.h"

#include <certificateitem.h>

#include <QMessageBox>

namespace CertificateDeletion {

Step firstStep(const CertificateItem *item, const QVariant &manageable)
{
    if (!item || item->keyId.isEmpty())
        return Step::Nothing;
    if (manageable.toInt() == 0)
        return Step::RefuseRoot;
    return Step::Confirm;
}

bool confirmed(int button)
{
    return button == QMessageBox::Yes;
}

QStringList domains(const CertificateItem &item)
{
    // A name such as "common-ca" or "server" with a suffix would name no
    // domain holding the certificate: the service would fail on it, after
    // having removed the certificate from the domains before it.
    QStringList result;
    const QString suffix = Purposes::domainSuffix(item.isCA);
    for (const QString &purpose : item.purposes) {
        if (Purposes::forPrefix(purpose))
            result << purpose + suffix;
    }
    return result;
}

} // namespace CertificateDeletion
