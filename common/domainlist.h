#ifndef TRUSTKEEP_DOMAINLIST_H
#define TRUSTKEEP_DOMAINLIST_H

#include <QString>
#include <QStringList>

// A list of store domain names as a caller hands it in. There are about ten
// real domains, so a longer list is a mistake or an attack, and a name the
// store would refuse is best found before anything has been written.
namespace DomainList {

const int maximumEntries = 64;

// The store's rule for a domain name: 1 to 64 characters out of A-Z, a-z,
// 0-9, ".", "_" and "-", not starting with a dot.
bool isValidName(const QString &name);

// The names in the order given, each only at its first place.
QStringList withoutRepeats(const QStringList &domains);

} // namespace DomainList

#endif
