#ifndef CERTIFICATESFILTERMODEL_H
#define CERTIFICATESFILTERMODEL_H

#include "bastracertmanui_global.h"

#include <QSortFilterProxyModel>

// Which certificates a CertificatesFilterModel lets through. The fixed
// underlying type makes every int a valid value of the enum, so a caller's
// out-of-range choice (a combo box index, say) reaches selectCertificates()
// defined, where it is rejected.
enum CertificateType : int {
    AllCertificates = 0, // every row
    RootCertificates = 1, // CA certificates held in store domains
    UserCertificates = 2, // other certificates held in store domains
    ServerCertificates = 3, // certificates of trust records ("server")
    NoCertificateType = 4 // nothing chosen yet: every row
};

// A sort-filter proxy over a CertificatesModel that shows one kind of
// certificate and sorts by role 37 (the sort role is set at construction).
// A certificate that is both in a store domain and a trust record shows
// under both kinds.
class BASTRA_CERTMAN_UI_EXPORT CertificatesFilterModel : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit CertificatesFilterModel(QObject *parent = nullptr);
    ~CertificatesFilterModel() override;

    // Shows only certificates of the type; a value outside 0 to 4 is
    // ignored (logged).
    void selectCertificates(CertificateType type);
    CertificateType certificateType() const;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    CertificateType m_type;
};

#endif
