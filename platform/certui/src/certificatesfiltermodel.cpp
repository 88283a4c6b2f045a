#include "certificatesfiltermodel.h"

#include "certificateitem.h"
#include "certificatesmodel_p.h"
#include "platformlog.h"
#include "storeddomains.h"

CertificatesFilterModel::CertificatesFilterModel(QObject *parent)
    : QSortFilterProxyModel(parent)
    , m_type(NoCertificateType)
{
    setSortRole(CertificateItem::SortKey);
}

CertificatesFilterModel::~CertificatesFilterModel() = default;

void CertificatesFilterModel::selectCertificates(CertificateType type)
{
    if (int(type) < AllCertificates || int(type) > NoCertificateType) {
        PLATFORM_LOG_ERROR("%s: no such kind of certificates (%d)", "selectCertificates", int(type));
        return;
    }
    m_type = type;
    invalidateFilter();
}

CertificateType CertificatesFilterModel::certificateType() const
{
    return m_type;
}

bool CertificatesFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (m_type == AllCertificates || m_type == NoCertificateType)
        return true;
    const QModelIndex index = sourceModel()->index(sourceRow, 0, sourceParent);
    bool isCa = false;
    QStringList purposes;
    if (!certificateRowKind(index, &isCa, &purposes)) {
        const CertificateItem *item = index.data(CertificateItem::ItemPointer).value<CertificateItem *>();
        if (!item)
            return false;
        isCa = item->isCA;
        purposes = item->purposes;
    }
    switch (m_type) {
    case RootCertificates:
        return isCa && StoredDomains::isHeldInDomain(purposes);
    case UserCertificates:
        return !isCa && StoredDomains::isHeldInDomain(purposes);
    case ServerCertificates:
        return purposes.contains(StoredDomains::serverName());
    default:
        return true;
    }
}
