#ifndef ZELVOLINEARLAYOUTPOLICY_H
#define ZELVOLINEARLAYOUTPOLICY_H

#include "zelvoglobal.h"

#include <QList>
#include <QRectF>
#include <QSizeF>
#include <Qt>

class QGraphicsLayoutItem;
class ZelvoLayout;

// One arrangement of a ZelvoLayout's items in a row or column. Extra space
// goes to the stretches and stretched items by their factors (else to items
// that want to expand); an item with an alignment keeps its preferred size
// and is placed by it within its slot, one without fills the cross direction.
class ZELVO_EXPORT ZelvoLinearLayoutPolicy
{
public:
    // Registers with the layout, which owns the policy from then on.
    ZelvoLinearLayoutPolicy(ZelvoLayout *layout, Qt::Orientation orientation);
    virtual ~ZelvoLinearLayoutPolicy();

    ZelvoLayout *layout() const;
    Qt::Orientation orientation() const;
    void setOrientation(Qt::Orientation orientation);

    void addItem(QGraphicsLayoutItem *item);
    void addItem(QGraphicsLayoutItem *item, Qt::Alignment alignment);
    void insertItem(int index, QGraphicsLayoutItem *item, Qt::Alignment alignment = Qt::Alignment());
    void addStretch(int stretch = 1);
    void insertStretch(int index, int stretch = 1);
    void removeAt(int index);
    void removeItem(QGraphicsLayoutItem *item);

    int count() const; // items and stretches
    QGraphicsLayoutItem *itemAt(int index) const; // null for a stretch
    int indexOf(const QGraphicsLayoutItem *item) const;
    bool contains(const QGraphicsLayoutItem *item) const;

    void setStretchFactor(QGraphicsLayoutItem *item, int stretch);
    int stretchFactor(const QGraphicsLayoutItem *item) const;
    void setAlignment(QGraphicsLayoutItem *item, Qt::Alignment alignment);
    Qt::Alignment alignment(const QGraphicsLayoutItem *item) const;

    void setSpacing(qreal spacing);
    qreal spacing() const;

    // Makes this the layout's active policy.
    void activate();
    bool isActive() const;

    // Used by the layout.
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF &constraint) const;
    void applyGeometry(const QRectF &rect) const;

private:
    struct Entry {
        QGraphicsLayoutItem *item; // null: a stretch
        int stretch;
        Qt::Alignment alignment;
    };
    int entryIndex(const QGraphicsLayoutItem *item) const;
    void changed() const;

    friend class ZelvoLayout;
    ZelvoLayout *m_layout;
    Qt::Orientation m_orientation;
    QList<Entry> m_entries;
    qreal m_spacing;
};

#endif
