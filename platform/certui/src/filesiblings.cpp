#include "filesiblings.h"

#include <QHash>

namespace FileSiblings {

namespace {

QHash<const CertificateItem *, QList<CertificateItem *>> &groups()
{
    static QHash<const CertificateItem *, QList<CertificateItem *>> table;
    return table;
}

} // namespace

void add(const QList<CertificateItem *> &items)
{
    for (const CertificateItem *item : items)
        groups().insert(item, items);
}

void remove(const QList<CertificateItem *> &items)
{
    for (const CertificateItem *item : items)
        groups().remove(item);
}

QList<CertificateItem *> of(const CertificateItem *item)
{
    return groups().value(item);
}

} // namespace FileSiblings
