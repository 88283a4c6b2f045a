#include "storeddomains.h"

#include "purposelist.h"

namespace StoredDomains {

namespace {

const char caSuffix[] = "-ca";
const char userSuffix[] = "-user";

// Names of the platform's shared domains as they appear in purpose lists.
bool isSharedName(const QString &name)
{
    static const QStringList shared{ QStringLiteral("common"), QStringLiteral("common-ca"),
                                     QStringLiteral("common-codesigning"), QStringLiteral("common-codesigning-ca") };
    return shared.contains(name);
}

} // namespace

QString serverName()
{
    return QStringLiteral("server");
}

QStringList all()
{
    QStringList domains;
    for (const Purpose &purpose : purposeList) {
        domains << QLatin1String(purpose.prefix) + QLatin1String(caSuffix)
                << QLatin1String(purpose.prefix) + QLatin1String(userSuffix);
    }
    domains << QStringLiteral("common-ca") << QStringLiteral("codesigning");
    return domains;
}

QString purposeOf(const QString &listedName)
{
    // Exact names only: "codesigning" is the platform's shared domain, not
    // one of the software makers' own, and "sslx-ca" is no purpose at all.
    for (const Purpose &purpose : purposeList) {
        const QLatin1String prefix(purpose.prefix);
        if (!listedName.startsWith(prefix))
            continue;
        const QStringRef suffix = listedName.midRef(prefix.size());
        if (suffix == QLatin1String(caSuffix) || suffix == QLatin1String(userSuffix))
            return prefix;
    }
    return listedName;
}

bool isPurposePrefix(const QString &purpose)
{
    for (const Purpose &entry : purposeList) {
        if (purpose == QLatin1String(entry.prefix))
            return true;
    }
    return false;
}

int userDomainsFlag(const QStringList &purposes)
{
    for (const QString &purpose : purposes) {
        if (isSharedName(purpose) || purpose == serverName())
            return 0;
    }
    return 1;
}

bool isManageable(const QStringList &purposes)
{
    for (const QString &purpose : purposes) {
        if (!isSharedName(purpose) && purpose != serverName())
            return true;
    }
    return purposes.isEmpty();
}

bool isHeldInDomain(const QStringList &purposes)
{
    for (const QString &purpose : purposes) {
        if (purpose != serverName())
            return true;
    }
    return purposes.isEmpty();
}

} // namespace StoredDomains
