#include "certificateitemlistmodel.h"

#include "certificateitem.h"

CertificateItemListModel::CertificateItemListModel(QObject *parent)
    : QAbstractListModel(parent)
{
}

void CertificateItemListModel::setItems(const QList<CertificateItem *> &items)
{
    beginResetModel();
    m_items = items;
    endResetModel();
}

CertificateItem *CertificateItemListModel::item(int row) const
{
    return row >= 0 && row < m_items.size() ? m_items.at(row) : nullptr;
}

QModelIndex CertificateItemListModel::indexOf(const CertificateItem *item) const
{
    const int row = item ? m_items.indexOf(const_cast<CertificateItem *>(item)) : -1;
    return row < 0 ? QModelIndex() : index(row, 0);
}

int CertificateItemListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_items.size();
}

QVariant CertificateItemListModel::data(const QModelIndex &index, int role) const
{
    const CertificateItem *it = index.isValid() && index.model() == this ? item(index.row()) : nullptr;
    if (!it)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return it->attribute(CertificateItem::DisplayStrings).toStringList().value(0);
    case Qt::ToolTipRole:
        return it->attribute(CertificateItem::DisplayStrings).toStringList().mid(1).join(QStringLiteral(" \u00b7 "));
    case CertificateItem::ItemPointer:
    case CertificateItem::ValidityStart:
    case CertificateItem::SortKey:
    case CertificateItem::Identity:
    case CertificateItem::Manageable:
        return it->attribute(role);
    default:
        return QVariant();
    }
}
