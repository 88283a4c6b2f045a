#ifndef TRUSTKEEP_VALIDITYSCREENING_H
#define TRUSTKEEP_VALIDITYSCREENING_H

#include <QModelIndexList>

#include <functional>

#include <openssl/x509.h>

class CertificateItem;

// Screens certificates picked for installation, in the order picked: a
// corrupt one (negative serial number) is reported and ends the screening,
// discarding the answers given so far; an expired or not yet valid one is
// taken only when the user answers Yes; any other is taken without a
// question. Where the validity period comes from is the caller's choice.
//
//   ValidityScreening screening(ValidityScreening::judgeByOwnTimes);
//   QModelIndexList accepted;
//   if (screening.screen(picked, accepted) && !accepted.isEmpty()) ...
class ValidityScreening
{
public:
    // Negative: the validity period has ended; positive: it has not begun;
    // zero: valid now, or it cannot be told.
    using Judgement = std::function<int(const CertificateItem &item)>;

    explicit ValidityScreening(Judgement judgement);

    // Fills `accepted` with the indexes taken, in picked order. False when a
    // corrupt certificate ended the screening; `accepted` is then empty.
    // An index that carries no certificate item is passed over.
    bool screen(const QModelIndexList &picked, QModelIndexList &accepted) const;

    // The certificate's own not-after and not-before times against the
    // current time; a time that cannot be compared counts as valid.
    static int judgeByOwnTimes(const CertificateItem &item);
    // The item's check_time().
    static int judgeByCheckTime(const CertificateItem &item);

    // The serial number is encoded as a negative ASN.1 integer.
    static bool hasNegativeSerial(const X509 *cert);

    // The CertificateItem* that role 34 of the index carries, or null.
    static CertificateItem *itemAt(const QModelIndex &index);

private:
    Judgement m_judgement;
};

#endif
