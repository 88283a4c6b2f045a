#ifndef TRUSTKEEP_PURPOSETABLE_H
#define TRUSTKEEP_PURPOSETABLE_H

#include <QString>
#include <QStringList>

// One purpose a certificate can serve, with its store domains and the
// credential tokens that guard them. The table ends with an all-null entry.
struct PurposeEntry {
    const char *labelId; // logical id of the purpose's display name
    const char *domainPrefix; // "ssl", "wifi", ...: domain names and purpose lists
    const char *userUseToken; // allows reading the purpose's domains
    const char *caAddToken; // allows adding to and removing from them
};

extern const PurposeEntry purposeTable[];

// Store domains with fixed names, beside the purposes' own "<prefix>-ca" and
// "<prefix>-user" domains.
namespace DomainNames {
inline constexpr char commonCa[] = "common-ca"; // the platform's shared CA domain
inline constexpr char codesigning[] = "codesigning"; // the platform's software-maker domain
inline constexpr char commonCodesigningCa[] = "common-codesigning-ca"; // what listings call "codesigning"
inline constexpr char common[] = "common";
inline constexpr char commonCodesigning[] = "common-codesigning";
inline constexpr char server[] = "server"; // no store domain: the trust records' certificates in listings
} // namespace DomainNames

// Which token a caller makes current before opening a domain.
enum class DomainAccess {
    Add,
    Remove,
    Load
};

namespace Purposes {

// First entry whose domainPrefix the domain name starts with (case-sensitive),
// or null.
const PurposeEntry *forDomain(const QString &domainName);

// First entry whose domainPrefix equals the given purpose exactly, or null.
const PurposeEntry *forPrefix(const QString &domainPrefix);

// The token for an access to the domain, or null when none applies (no entry
// matches, or the entry has no such token): the caller then sets nothing.
const char *tokenFor(const QString &domainName, DomainAccess access);

// Makes the access's token current when there is one; returns whether a token
// was set. Without one the credentials made current last stay in force.
bool useCredentialsFor(const QString &domainName, DomainAccess access);

// "-ca" for a CA certificate, "-user" for any other.
QString domainSuffix(bool isCa);

// prefix + suffix, e.g. "ssl-ca".
QString domainFor(const PurposeEntry &entry, bool isCa);

// Domains of a certificate for a purpose list: for each table entry in order
// whose domainPrefix the list holds exactly, domainPrefix + suffix. Entries
// that name no purpose are ignored.
QStringList domainsFor(const QStringList &purposeList, bool isCa);

} // namespace Purposes

#endif
