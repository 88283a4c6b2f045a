#ifndef CERTIFICATETYPETABLE_H
#define CERTIFICATETYPETABLE_H

#include <certificatesfiltermodel.h>

// The kinds of certificate the list page can show, in the order the menu's
// selector offers them. The table ends with a null label whose type is
// NoCertificateType.
struct CertificateTypeEntry {
    const char *labelId;
    CertificateType type;
};

extern const CertificateTypeEntry certificateTypeTable[];

namespace CertificateTypeTable {

// The type of the selector's entry; the end of the table (and anything past
// it) gives NoCertificateType.
CertificateType typeOf(int entry);

} // namespace CertificateTypeTable

#endif
