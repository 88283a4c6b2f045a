#include "certificatetypetable.h"

const CertificateTypeEntry certificateTypeTable[] = {
    { "lgd_certman_allcertificates", AllCertificates },
    { "lgd_certman_rootcertificates", RootCertificates },
    { "lgd_certman_usercertificates", UserCertificates },
    { "lgd_certman_servercertificates", ServerCertificates },
    { nullptr, NoCertificateType },
};

CertificateType CertificateTypeTable::typeOf(int entry)
{
    const CertificateTypeEntry *e = certificateTypeTable;
    for (int i = 0; i < entry && e->labelId; ++i)
        ++e;
    return entry < 0 ? NoCertificateType : e->type;
}
