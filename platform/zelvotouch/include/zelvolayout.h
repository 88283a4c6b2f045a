#ifndef ZELVOLAYOUT_H
#define ZELVOLAYOUT_H

#include "zelvoglobal.h"

#include <QGraphicsLayout>
#include <QList>

class ZelvoLinearLayoutPolicy;

// A layout with several arrangements (policies) of its items, exactly one of
// them active. The layout holds the items of all its policies; switching the
// policy hides the items that the new policy lacks and shows its own. The
// layout owns its policies; the first policy made becomes active until
// another one is set.
class ZELVO_EXPORT ZelvoLayout : public QGraphicsLayout
{
public:
    explicit ZelvoLayout(QGraphicsLayoutItem *parent = nullptr);
    ~ZelvoLayout() override;

    void setPolicy(ZelvoLinearLayoutPolicy *policy); // must be one of this layout's
    ZelvoLinearLayoutPolicy *policy() const;
    QList<ZelvoLinearLayoutPolicy *> registeredPolicies() const;

    // The items of all policies, each once.
    int count() const override;
    QGraphicsLayoutItem *itemAt(int index) const override;
    int indexOf(const QGraphicsLayoutItem *item) const;
    // Takes the item out of every policy.
    void removeAt(int index) override;
    void removeItem(QGraphicsLayoutItem *item);

    void setGeometry(const QRectF &rect) override;
    void invalidate() override;

protected:
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF &constraint = QSizeF()) const override;

private:
    friend class ZelvoLinearLayoutPolicy;
    void registerPolicy(ZelvoLinearLayoutPolicy *policy);
    void unregisterPolicy(ZelvoLinearLayoutPolicy *policy);
    void itemAddedToPolicy(QGraphicsLayoutItem *item);
    void itemRemovedFromPolicy(QGraphicsLayoutItem *item);
    void updateVisibility();
    bool inAnyPolicy(const QGraphicsLayoutItem *item) const;

    QList<ZelvoLinearLayoutPolicy *> m_policies;
    ZelvoLinearLayoutPolicy *m_active;
    QList<QGraphicsLayoutItem *> m_items;
    bool m_deleting;
};

#endif
