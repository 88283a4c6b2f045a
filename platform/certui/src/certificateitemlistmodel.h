#ifndef CERTIFICATEITEMLISTMODEL_H
#define CERTIFICATEITEMLISTMODEL_H

#include <QAbstractListModel>
#include <QList>

class CertificateItem;

// A fixed list of certificate items as a model: the display role is the
// certificate's name, Qt::ToolTipRole its issuer and validity in words, and
// the roles 34, 36, 37, 38 and 40 are the item's attributes of those keys
// (34: the CertificateItem* itself). The items belong to someone else and
// must outlive the model.
class CertificateItemListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit CertificateItemListModel(QObject *parent = nullptr);

    void setItems(const QList<CertificateItem *> &items);
    CertificateItem *item(int row) const;
    QModelIndex indexOf(const CertificateItem *item) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    QList<CertificateItem *> m_items;
};

#endif
