#ifndef STOREDDOMAINS_H
#define STOREDDOMAINS_H

#include <QString>
#include <QStringList>

// How the names under which the service lists a certificate become the
// certificate's purposes and flags in the stored-certificates model.
namespace StoredDomains {

// The domains a full listing asks for: each purpose's "-ca" and "-user"
// domain in purpose order, then "common-ca" and "codesigning".
QStringList all();

// The purpose a listed name stands for: the purpose's domain prefix for one
// of its own "-ca" or "-user" domains, any other name (the shared ones,
// "server") as it is.
QString purposeOf(const QString &listedName);

// A purpose naming a private store domain of the user ("ssl", "wifi", ...).
bool isPurposePrefix(const QString &purpose);

// 0 when any purpose is a shared domain name or "server", else 1.
int userDomainsFlag(const QStringList &purposes);

// Whether the user may manage the certificate: not when every purpose is a
// shared read-only domain or "server" (a root of the device, or a trust
// record only). A certificate without purposes (just installed) is the
// user's own.
bool isManageable(const QStringList &purposes);

// Whether the certificate is held in some store domain rather than only
// known as a trust record.
bool isHeldInDomain(const QStringList &purposes);

// "server": the trust records' certificates in a listing.
QString serverName();

} // namespace StoredDomains

#endif
