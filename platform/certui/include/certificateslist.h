#ifndef CERTIFICATESLIST_H
#define CERTIFICATESLIST_H

#include "bastracertmanui_global.h"

#include <zelvostylablewidget.h>

#include <QModelIndex>

class QAbstractItemModel;
class QItemSelectionModel;
class CertificatesListPrivate;

// The toolkit list of certificates over a certificate model (normally a
// CertificatesFilterModel), one CertificateItemWidget row per model row
// (column 0, role 34 gives the item). It is as tall as all its rows, so the
// page around it scrolls as usual, but only rows on screen have widgets:
// scrolling re-uses them, so showing 10 000 rows costs what 10 do.
// A tap on a row selects it and emits "itemClicked(QModelIndex)" with the
// model's index. The list does not own the model.
class BASTRA_CERTMAN_UI_EXPORT CertificatesList : public ZelvoStylableWidget
{
    Q_OBJECT

public:
    explicit CertificatesList(QGraphicsItem *parent = nullptr);
    ~CertificatesList() override;

    void setItemModel(QAbstractItemModel *model);
    QAbstractItemModel *itemModel() const;

    QItemSelectionModel *selectionModel() const;
    QModelIndexList selectedIndexes() const; // in row order

    int rowCount() const; // the model's rows
    // The widget showing the row now (a CertificateItemWidget), or null when
    // the row is off screen.
    QGraphicsWidget *itemWidget(int row) const;
    // The rows that have widgets now.
    int itemWidgetCount() const;
    QModelIndex indexOf(const QGraphicsWidget *itemWidget) const;

public slots:
    void clearSelection();

signals:
    void itemClicked(const QModelIndex &index);

protected:
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF &constraint = QSizeF()) const override;
    void resizeEvent(QGraphicsSceneResizeEvent *event) override;
    QVariant itemChange(GraphicsItemChange change, const QVariant &value) override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget = nullptr) override;

private:
    friend class CertificatesListPrivate;
    CertificatesListPrivate *d;
};

#endif
