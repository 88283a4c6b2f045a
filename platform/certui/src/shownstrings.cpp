#include "shownstrings.h"

#include "certificatefacts.h"
#include "uitext.h"

#include <QLocale>

namespace ShownStrings {

namespace {

QString shortDate(const ASN1_TIME *time)
{
    const QDateTime when = CertificateFacts::toDateTime(time);
    return QLocale().toString(when.toLocalTime().date(), QLocale::ShortFormat);
}

} // namespace

QString name(const X509_NAME *subject, const ASN1_INTEGER *serial)
{
    const QString text = CertificateFacts::shortName(subject);
    return text.isEmpty() ? CertificateFacts::serialNumber(serial) : text;
}

int timeState(const ASN1_TIME *notBefore, const ASN1_TIME *notAfter)
{
    // X509_cmp_time gives 0 when a time cannot be read: such a certificate
    // is not held against the user here; the store decides on its own.
    if (notAfter && X509_cmp_time(notAfter, nullptr) < 0)
        return -1;
    if (notBefore && X509_cmp_time(notBefore, nullptr) > 0)
        return 1;
    return 0;
}

QStringList of(const QString &name, const QString &issuerName, const ASN1_TIME *notBefore, const ASN1_TIME *notAfter)
{
    const int state = timeState(notBefore, notAfter);
    QString validity;
    if (state < 0)
        validity = uiText("lgd_certman_expired_on", "Expired %1").arg(shortDate(notAfter));
    else if (state > 0)
        validity = uiText("lgd_certman_valid_from", "Valid from %1").arg(shortDate(notBefore));
    else
        validity = uiText("lgd_certman_valid_until", "Valid until %1").arg(shortDate(notAfter));
    return QStringList() << name << uiText("lgd_certman_issued_by", "Issued by %1").arg(issuerName) << validity;
}

} // namespace ShownStrings
