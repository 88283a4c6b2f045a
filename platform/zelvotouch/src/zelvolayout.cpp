#include "zelvolayout.h"

#include "platformlog.h"
#include "zelvolinearlayoutpolicy.h"

#include <QGraphicsItem>
#include <QWidget>

ZelvoLayout::ZelvoLayout(QGraphicsLayoutItem *parent)
    : QGraphicsLayout(parent)
    , m_active(nullptr)
    , m_deleting(false)
{
}

ZelvoLayout::~ZelvoLayout()
{
    m_deleting = true;
    const QList<ZelvoLinearLayoutPolicy *> policies = m_policies;
    m_policies.clear();
    m_active = nullptr;
    qDeleteAll(policies);
    const QList<QGraphicsLayoutItem *> items = m_items;
    m_items.clear();
    for (QGraphicsLayoutItem *item : items) {
        item->setParentLayoutItem(nullptr);
        if (item->ownedByLayout())
            delete item;
    }
}

void ZelvoLayout::setPolicy(ZelvoLinearLayoutPolicy *policy)
{
    if (policy && !m_policies.contains(policy)) {
        PLATFORM_LOG_ERROR("A layout was given a policy of another layout");
        return;
    }
    if (policy == m_active)
        return;
    m_active = policy;
    updateVisibility();
    invalidate();
}

ZelvoLinearLayoutPolicy *ZelvoLayout::policy() const
{
    return m_active;
}

QList<ZelvoLinearLayoutPolicy *> ZelvoLayout::registeredPolicies() const
{
    return m_policies;
}

int ZelvoLayout::count() const
{
    return m_items.size();
}

QGraphicsLayoutItem *ZelvoLayout::itemAt(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items.at(index) : nullptr;
}

int ZelvoLayout::indexOf(const QGraphicsLayoutItem *item) const
{
    for (int i = 0; i < m_items.size(); ++i) {
        if (m_items.at(i) == item)
            return i;
    }
    return -1;
}

void ZelvoLayout::removeAt(int index)
{
    if (index < 0 || index >= m_items.size())
        return;
    QGraphicsLayoutItem *item = m_items.takeAt(index);
    for (ZelvoLinearLayoutPolicy *policy : m_policies) {
        for (int i = policy->m_entries.size() - 1; i >= 0; --i) {
            if (policy->m_entries.at(i).item == item)
                policy->m_entries.removeAt(i);
        }
    }
    item->setParentLayoutItem(nullptr);
    invalidate();
}

void ZelvoLayout::removeItem(QGraphicsLayoutItem *item)
{
    removeAt(indexOf(item));
}

void ZelvoLayout::setGeometry(const QRectF &rect)
{
    QGraphicsLayout::setGeometry(rect);
    if (!m_active)
        return;
    qreal left, top, right, bottom;
    getContentsMargins(&left, &top, &right, &bottom);
    m_active->applyGeometry(geometry().adjusted(left, top, -right, -bottom));
}

void ZelvoLayout::invalidate()
{
    QGraphicsLayout::invalidate();
}

QSizeF ZelvoLayout::sizeHint(Qt::SizeHint which, const QSizeF &constraint) const
{
    qreal left, top, right, bottom;
    getContentsMargins(&left, &top, &right, &bottom);
    const QSizeF margins(left + right, top + bottom);
    QSizeF inner(constraint.width() >= 0 ? qMax<qreal>(0, constraint.width() - margins.width()) : -1,
                 constraint.height() >= 0 ? qMax<qreal>(0, constraint.height() - margins.height()) : -1);
    QSizeF hint = m_active ? m_active->sizeHint(which, inner) : QSizeF(0, 0);
    if (which == Qt::MaximumSize && !m_active)
        hint = QSizeF(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    return QSizeF(qMin<qreal>(hint.width() + margins.width(), QWIDGETSIZE_MAX),
                  qMin<qreal>(hint.height() + margins.height(), QWIDGETSIZE_MAX));
}

void ZelvoLayout::registerPolicy(ZelvoLinearLayoutPolicy *policy)
{
    m_policies.append(policy);
    if (!m_active)
        setPolicy(policy);
}

void ZelvoLayout::unregisterPolicy(ZelvoLinearLayoutPolicy *policy)
{
    if (m_deleting)
        return;
    m_policies.removeAll(policy);
    const QList<ZelvoLinearLayoutPolicy::Entry> entries = policy->m_entries;
    policy->m_entries.clear();
    for (const ZelvoLinearLayoutPolicy::Entry &e : entries) {
        if (e.item)
            itemRemovedFromPolicy(e.item);
    }
    if (m_active == policy) {
        m_active = nullptr;
        updateVisibility();
    }
    invalidate();
}

void ZelvoLayout::itemAddedToPolicy(QGraphicsLayoutItem *item)
{
    if (!m_items.contains(item)) {
        m_items.append(item);
        addChildLayoutItem(item);
    }
    updateVisibility();
    invalidate();
}

void ZelvoLayout::itemRemovedFromPolicy(QGraphicsLayoutItem *item)
{
    if (!inAnyPolicy(item)) {
        const int i = indexOf(item);
        if (i >= 0) {
            m_items.removeAt(i);
            item->setParentLayoutItem(nullptr);
        }
    }
    updateVisibility();
    invalidate();
}

bool ZelvoLayout::inAnyPolicy(const QGraphicsLayoutItem *item) const
{
    for (ZelvoLinearLayoutPolicy *policy : m_policies) {
        if (policy->contains(item))
            return true;
    }
    return false;
}

void ZelvoLayout::updateVisibility()
{
    // Only the active arrangement's items are on screen.
    for (QGraphicsLayoutItem *item : m_items) {
        if (QGraphicsItem *g = item->graphicsItem())
            g->setVisible(m_active && m_active->contains(item));
    }
}
