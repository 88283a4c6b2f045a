#include "certificatefile.h"
#include "certificateitem.h"

#include <QMetaType>

// Items and files travel in QVariants (model role 34) and queued signals:
// their pointer types are known to Qt as soon as the library is loaded.
static void registerCertificateMetaTypes()
{
    qRegisterMetaType<CertificateItem *>("CertificateItem*");
    qRegisterMetaType<CertificateFile *>("CertificateFile*");
}
Q_CONSTRUCTOR_FUNCTION(registerCertificateMetaTypes)
