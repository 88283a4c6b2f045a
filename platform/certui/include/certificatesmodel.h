#ifndef CERTIFICATESMODEL_H
#define CERTIFICATESMODEL_H

#include "bastracertmanui_global.h"

#include <QAbstractListModel>
#include <QDBusConnection>
#include <QList>
#include <QStringList>

class CertificateItem;
class CertificatesModelPrivate;

// Every certificate in the device's store, one row per certificate (the same
// DER under several domains is one row), as the certificate manager service
// lists it. The model owns its CertificateItems.
//
// Per row:
//   Qt::DisplayRole   the certificate's name
//   Qt::ToolTipRole   its issuer and validity in words
//   34 ItemRole       the CertificateItem* (meta type "CertificateItem*")
//   37 SortRole       QString: the name, case-insensitive, then the key id
//   38 IdentityRole   QStringList: the item's own attribute 38
//   40 ManageableRole int: 0 for a certificate held only in the platform's
//                     shared read-only domains (a root certificate) or known
//                     only as a trust record, 1 otherwise
//
// The item of a row carries: purposes (the domain prefixes of the domains it
// is listed under, "ssl", "wifi", "smime", "codesign"; the shared names
// "common-ca" and "common-codesigning-ca" and "server" as they come), stored
// flag set, CA flag and item type (1 CA, 2 user) from the certificate,
// user-domains flag (0 when any purpose is "common", "common-ca",
// "common-codesigning", "common-codesigning-ca" or "server", else 1), and for
// a certificate that may have a key (a user certificate in a purpose's
// "-user" domain) the has-key flag and the authorization preference from the
// service's key records.
class BASTRA_CERTMAN_UI_EXPORT CertificatesModel : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role {
        ItemRole = 34,
        SortRole = 37,
        IdentityRole = 38,
        ManageableRole = 40
    };

    // Talks to the service on the system bus.
    explicit CertificatesModel(QObject *parent = nullptr);
    // Talks to the service on the given bus (tests and benchmarks).
    explicit CertificatesModel(const QDBusConnection &bus, QObject *parent = nullptr);
    ~CertificatesModel() override;

    // The store domains asked for: the four purposes' "-ca" and "-user"
    // domains, "common-ca" and "codesigning".
    static QStringList storeDomains();

    // Replaces the rows with every stored certificate and trust record
    // certificate, asking the service without blocking (the call returns at
    // once). "modelPopulated()" follows exactly once per call, also when the
    // service is absent or answers with an error (the model is then empty and
    // the cause logged). A populate() while another is under way supersedes
    // it: the earlier answer is dropped, and both calls' signals come when
    // the later one is done. The key facts of the items are asked of the
    // service once the rows are in, a few questions at a time; an item made
    // before its answer came waits for that answer.
    void populate();

    // Adds one certificate (one the caller has just installed). The model
    // keeps its own copy of the item as it is now (the caller keeps and
    // frees its own) with the stored flag set. A certificate the model
    // already has (same DER) is not added twice: that row's item is refreshed
    // from the given one instead. Null or certificate-less items are refused
    // (false, logged).
    bool populate(CertificateItem *item);

    // True between populate() and its "modelPopulated()".
    bool isPopulating() const;

    CertificateItem *item(int row) const;
    QModelIndex indexOf(const CertificateItem *item) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // Takes rows out. Their items are deleted when control is back in the
    // event loop, so a caller still holding a row's item pointer in the same
    // call chain may finish with it; after that the pointer is gone.
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;

signals:
    void modelPopulated();

private:
    friend class CertificatesModelPrivate;
    CertificatesModelPrivate *d;
};

#endif
