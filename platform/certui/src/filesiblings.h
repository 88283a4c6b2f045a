#ifndef FILESIBLINGS_H
#define FILESIBLINGS_H

#include <QList>

class CertificateItem;

// Which items came from one certificate file, so that the details of one of
// them can show its issuers from the same file. Certificate files register
// their items when loaded and withdraw them when they let them go. Main
// thread only.
namespace FileSiblings {

void add(const QList<CertificateItem *> &items);
void remove(const QList<CertificateItem *> &items);
// The items of the file the item came from (the item included); empty for
// an item from elsewhere.
QList<CertificateItem *> of(const CertificateItem *item);

} // namespace FileSiblings

#endif
