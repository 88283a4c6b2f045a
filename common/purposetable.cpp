#include "purposetable.h"

#include <bastra_certman.h>

const PurposeEntry purposeTable[] = { { "lgd_certman_websites", "ssl", "bastra-certman-common-ca::CertUserSSLUse",
                                        "bastra-certman-common-ca::CertCASSLAdd" },
                                      { "lgd_certman_wifi", "wifi", "bastra-certman-common-ca::CertUserWifiUse",
                                        "bastra-certman-common-ca::CertCAWifiAdd" },
                                      { "lgd_certman_mailusers", "smime", "bastra-certman-common-ca::CertUserSMIMEUse",
                                        "bastra-certman-common-ca::CertCASMIMEAdd" },
                                      { "lgd_certman_softwaremakers", "codesign",
                                        "bastra-certman-common-ca::CertCACodeSignUse",
                                        "bastra-certman-common-ca::CertCACodeSignAdd" },
                                      { nullptr, nullptr, nullptr, nullptr } };

namespace Purposes {

const PurposeEntry *forDomain(const QString &domainName)
{
    for (const PurposeEntry *e = purposeTable; e->domainPrefix; ++e) {
        if (domainName.startsWith(QLatin1String(e->domainPrefix), Qt::CaseSensitive))
            return e;
    }
    return nullptr;
}

const PurposeEntry *forPrefix(const QString &domainPrefix)
{
    for (const PurposeEntry *e = purposeTable; e->domainPrefix; ++e) {
        if (domainPrefix == QLatin1String(e->domainPrefix))
            return e;
    }
    return nullptr;
}

const char *tokenFor(const QString &domainName, DomainAccess access)
{
    const PurposeEntry *entry = forDomain(domainName);
    if (!entry)
        return nullptr;
    return access == DomainAccess::Load ? entry->userUseToken : entry->caAddToken;
}

bool useCredentialsFor(const QString &domainName, DomainAccess access)
{
    const char *token = tokenFor(domainName, access);
    if (!token)
        return false;
    bastra_certman_set_credentials(token);
    return true;
}

QString domainSuffix(bool isCa)
{
    return isCa ? QStringLiteral("-ca") : QStringLiteral("-user");
}

QString domainFor(const PurposeEntry &entry, bool isCa)
{
    return QLatin1String(entry.domainPrefix) + domainSuffix(isCa);
}

QStringList domainsFor(const QStringList &purposeList, bool isCa)
{
    QStringList domains;
    for (const PurposeEntry *e = purposeTable; e->domainPrefix; ++e) {
        if (purposeList.contains(QLatin1String(e->domainPrefix), Qt::CaseSensitive))
            domains << domainFor(*e, isCa);
    }
    return domains;
}

} // namespace Purposes
