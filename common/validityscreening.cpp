#include "validityscreening.h"

#include "screeningmessagebox.h"

#include <certificateitem.h>

#include <QVariant>

#include <openssl/asn1.h>

ValidityScreening::ValidityScreening(Judgement judgement)
    : m_judgement(std::move(judgement))
{
}

bool ValidityScreening::screen(const QModelIndexList &picked, QModelIndexList &accepted) const
{
    accepted.clear();
    // A copy: the message boxes run nested event loops, in which the
    // caller's list could change under us.
    const QModelIndexList indexes = picked;
    for (const QModelIndex &index : indexes) {
        const CertificateItem *item = itemAt(index);
        if (!item || !item->cert)
            continue;
        if (hasNegativeSerial(item->cert)) {
            ScreeningMessageBox::ask(ScreeningMessageBox::Corrupt, *item);
            accepted.clear();
            return false;
        }
        const int validity = m_judgement ? m_judgement(*item) : 0;
        bool take = true;
        if (validity < 0)
            take = ScreeningMessageBox::ask(ScreeningMessageBox::Expired, *item);
        else if (validity > 0)
            take = ScreeningMessageBox::ask(ScreeningMessageBox::NotYetValid, *item);
        if (take)
            accepted.append(index);
    }
    return true;
}

int ValidityScreening::judgeByOwnTimes(const CertificateItem &item)
{
    if (!item.cert)
        return 0;
    // X509_cmp_current_time gives 0 for a time it cannot compare.
    if (X509_cmp_current_time(X509_get0_notAfter(item.cert)) < 0)
        return -1;
    if (X509_cmp_current_time(X509_get0_notBefore(item.cert)) > 0)
        return 1;
    return 0;
}

int ValidityScreening::judgeByCheckTime(const CertificateItem &item)
{
    return item.check_time();
}

bool ValidityScreening::hasNegativeSerial(const X509 *cert)
{
    const ASN1_INTEGER *serial = cert ? X509_get0_serialNumber(cert) : nullptr;
    return serial && ASN1_STRING_type(serial) == V_ASN1_NEG_INTEGER;
}

CertificateItem *ValidityScreening::itemAt(const QModelIndex &index)
{
    if (!index.isValid())
        return nullptr;
    return index.data(CertificateItem::ItemPointer).value<CertificateItem *>();
}
