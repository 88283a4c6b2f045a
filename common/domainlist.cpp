#include "domainlist.h"

#include <QSet>

namespace DomainList {

namespace {

const int longestName = 64;

bool isNameCharacter(QChar ch)
{
    const ushort c = ch.unicode();
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_'
        || c == '-';
}

} // namespace

bool isValidName(const QString &name)
{
    if (name.isEmpty() || name.size() > longestName || name.startsWith(QLatin1Char('.')))
        return false;
    for (const QChar ch : name) {
        if (!isNameCharacter(ch))
            return false;
    }
    return true;
}

QStringList withoutRepeats(const QStringList &domains)
{
    QStringList unique;
    QSet<QString> seen;
    for (const QString &domain : domains) {
        if (!seen.contains(domain)) {
            seen.insert(domain);
            unique << domain;
        }
    }
    return unique;
}

} // namespace DomainList
