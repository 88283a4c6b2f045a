#include "zelvolinearlayoutpolicy.h"

#include "zelvolayout.h"

#include <QGraphicsLayoutItem>
#include <QVector>
#include <QWidget>

namespace {

const qreal unlimited = QWIDGETSIZE_MAX;

qreal mainOf(const QSizeF &s, Qt::Orientation o)
{
    return o == Qt::Vertical ? s.height() : s.width();
}

qreal crossOf(const QSizeF &s, Qt::Orientation o)
{
    return o == Qt::Vertical ? s.width() : s.height();
}

QSizeF makeSize(qreal main, qreal cross, Qt::Orientation o)
{
    return o == Qt::Vertical ? QSizeF(cross, main) : QSizeF(main, cross);
}

// Shares the available length among slots that want pref[i] each and may
// range from min[i] to max[i]. Extra length goes to the stretch factors, else
// to slots that want to expand, else to slots that may grow; missing length is
// taken from each slot in proportion to what it can give up.
QVector<qreal> distribute(qreal available, const QVector<qreal> &min, const QVector<qreal> &pref,
                          const QVector<qreal> &max, const QVector<int> &stretch,
                          const QVector<QSizePolicy::Policy> &policy)
{
    const int n = pref.size();
    QVector<qreal> size = pref;
    qreal total = 0;
    for (qreal p : pref)
        total += p;
    qreal extra = available - total;
    if (extra >= 0) {
        auto share = [&](auto takes, auto weight) {
            // Repeated because a slot capped at its maximum gives its share back.
            for (int round = 0; round < n + 1 && extra > 0.5; ++round) {
                qreal weights = 0;
                for (int i = 0; i < n; ++i) {
                    if (takes(i) && size[i] < max[i])
                        weights += weight(i);
                }
                if (weights <= 0)
                    return;
                qreal given = 0;
                for (int i = 0; i < n; ++i) {
                    if (!takes(i) || size[i] >= max[i])
                        continue;
                    const qreal add = qMin(extra * weight(i) / weights, max[i] - size[i]);
                    size[i] += add;
                    given += add;
                }
                extra -= given;
                if (given <= 0)
                    return;
            }
        };
        bool anyStretch = false;
        for (int s : stretch)
            anyStretch = anyStretch || s > 0;
        if (anyStretch) {
            share([&](int i) { return stretch[i] > 0; }, [&](int i) { return qreal(stretch[i]); });
        } else {
            bool anyExpanding = false;
            for (int i = 0; i < n; ++i)
                anyExpanding = anyExpanding || (policy[i] & QSizePolicy::ExpandFlag);
            if (anyExpanding)
                share([&](int i) { return bool(policy[i] & QSizePolicy::ExpandFlag); }, [](int) { return 1.0; });
            else
                share([&](int i) { return bool(policy[i] & QSizePolicy::GrowFlag); }, [](int) { return 1.0; });
        }
    } else {
        qreal room = 0;
        for (int i = 0; i < n; ++i)
            room += qMax<qreal>(0, pref[i] - min[i]);
        const qreal missing = qMin(-extra, room);
        for (int i = 0; i < n; ++i) {
            if (room > 0)
                size[i] = pref[i] - missing * qMax<qreal>(0, pref[i] - min[i]) / room;
        }
    }
    return size;
}

} // namespace

ZelvoLinearLayoutPolicy::ZelvoLinearLayoutPolicy(ZelvoLayout *layout, Qt::Orientation orientation)
    : m_layout(layout)
    , m_orientation(orientation)
    , m_spacing(0)
{
    if (m_layout)
        m_layout->registerPolicy(this);
}

ZelvoLinearLayoutPolicy::~ZelvoLinearLayoutPolicy()
{
    if (m_layout)
        m_layout->unregisterPolicy(this);
}

ZelvoLayout *ZelvoLinearLayoutPolicy::layout() const
{
    return m_layout;
}

Qt::Orientation ZelvoLinearLayoutPolicy::orientation() const
{
    return m_orientation;
}

void ZelvoLinearLayoutPolicy::setOrientation(Qt::Orientation orientation)
{
    m_orientation = orientation;
    changed();
}

void ZelvoLinearLayoutPolicy::addItem(QGraphicsLayoutItem *item)
{
    insertItem(m_entries.size(), item, Qt::Alignment());
}

void ZelvoLinearLayoutPolicy::addItem(QGraphicsLayoutItem *item, Qt::Alignment alignment)
{
    insertItem(m_entries.size(), item, alignment);
}

void ZelvoLinearLayoutPolicy::insertItem(int index, QGraphicsLayoutItem *item, Qt::Alignment alignment)
{
    if (!item || item == m_layout || contains(item))
        return;
    index = qBound(0, index < 0 ? m_entries.size() : index, m_entries.size());
    m_entries.insert(index, Entry{ item, 0, alignment });
    if (m_layout)
        m_layout->itemAddedToPolicy(item);
}

void ZelvoLinearLayoutPolicy::addStretch(int stretch)
{
    insertStretch(m_entries.size(), stretch);
}

void ZelvoLinearLayoutPolicy::insertStretch(int index, int stretch)
{
    index = qBound(0, index < 0 ? m_entries.size() : index, m_entries.size());
    m_entries.insert(index, Entry{ nullptr, qMax(0, stretch), Qt::Alignment() });
    changed();
}

void ZelvoLinearLayoutPolicy::removeAt(int index)
{
    if (index < 0 || index >= m_entries.size())
        return;
    const Entry e = m_entries.takeAt(index);
    if (e.item && m_layout)
        m_layout->itemRemovedFromPolicy(e.item);
    else
        changed();
}

void ZelvoLinearLayoutPolicy::removeItem(QGraphicsLayoutItem *item)
{
    removeAt(entryIndex(item));
}

int ZelvoLinearLayoutPolicy::count() const
{
    return m_entries.size();
}

QGraphicsLayoutItem *ZelvoLinearLayoutPolicy::itemAt(int index) const
{
    return index >= 0 && index < m_entries.size() ? m_entries.at(index).item : nullptr;
}

int ZelvoLinearLayoutPolicy::entryIndex(const QGraphicsLayoutItem *item) const
{
    if (!item)
        return -1;
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries.at(i).item == item)
            return i;
    }
    return -1;
}

int ZelvoLinearLayoutPolicy::indexOf(const QGraphicsLayoutItem *item) const
{
    return entryIndex(item);
}

bool ZelvoLinearLayoutPolicy::contains(const QGraphicsLayoutItem *item) const
{
    return entryIndex(item) >= 0;
}

void ZelvoLinearLayoutPolicy::setStretchFactor(QGraphicsLayoutItem *item, int stretch)
{
    const int i = entryIndex(item);
    if (i < 0)
        return;
    m_entries[i].stretch = qMax(0, stretch);
    changed();
}

int ZelvoLinearLayoutPolicy::stretchFactor(const QGraphicsLayoutItem *item) const
{
    const int i = entryIndex(item);
    return i < 0 ? 0 : m_entries.at(i).stretch;
}

void ZelvoLinearLayoutPolicy::setAlignment(QGraphicsLayoutItem *item, Qt::Alignment alignment)
{
    const int i = entryIndex(item);
    if (i < 0)
        return;
    m_entries[i].alignment = alignment;
    changed();
}

Qt::Alignment ZelvoLinearLayoutPolicy::alignment(const QGraphicsLayoutItem *item) const
{
    const int i = entryIndex(item);
    return i < 0 ? Qt::Alignment() : m_entries.at(i).alignment;
}

void ZelvoLinearLayoutPolicy::setSpacing(qreal spacing)
{
    m_spacing = qMax<qreal>(0, spacing);
    changed();
}

qreal ZelvoLinearLayoutPolicy::spacing() const
{
    return m_spacing;
}

void ZelvoLinearLayoutPolicy::activate()
{
    if (m_layout)
        m_layout->setPolicy(this);
}

bool ZelvoLinearLayoutPolicy::isActive() const
{
    return m_layout && m_layout->policy() == this;
}

void ZelvoLinearLayoutPolicy::changed() const
{
    if (m_layout && isActive())
        m_layout->invalidate();
}

namespace {

// The alignment flags that concern one axis.
Qt::Alignment crossFlags(Qt::Alignment a, Qt::Orientation o)
{
    return a & (o == Qt::Vertical ? Qt::AlignHorizontal_Mask : Qt::AlignVertical_Mask);
}

Qt::Alignment mainFlags(Qt::Alignment a, Qt::Orientation o)
{
    return a & (o == Qt::Vertical ? Qt::AlignVertical_Mask : Qt::AlignHorizontal_Mask);
}

} // namespace

QSizeF ZelvoLinearLayoutPolicy::sizeHint(Qt::SizeHint which, const QSizeF &constraint) const
{
    const Qt::Orientation o = m_orientation;
    const qreal crossConstraint = crossOf(constraint, o);
    const qreal mainConstraint = mainOf(constraint, o);
    qreal main = 0;
    qreal cross = 0;
    int items = 0;
    bool stretches = false;

    // A row given a width: share it out first, so that each item's height
    // can follow from its own width.
    QVector<qreal> rowWidths;
    if (o == Qt::Horizontal && mainConstraint >= 0) {
        QVector<qreal> mins, prefs, maxs;
        QVector<int> factors;
        QVector<QSizePolicy::Policy> policies;
        qreal spacingTotal = 0;
        for (const Entry &e : m_entries) {
            if (!e.item) {
                mins << 0;
                prefs << 0;
                maxs << unlimited;
                factors << e.stretch;
                policies << QSizePolicy::Expanding;
                continue;
            }
            if (!mins.isEmpty())
                spacingTotal += m_spacing;
            mins << e.item->effectiveSizeHint(Qt::MinimumSize).width();
            prefs << e.item->effectiveSizeHint(Qt::PreferredSize).width();
            maxs << e.item->effectiveSizeHint(Qt::MaximumSize).width();
            factors << e.stretch;
            policies << e.item->sizePolicy().horizontalPolicy();
        }
        rowWidths = distribute(qMax<qreal>(0, mainConstraint - spacingTotal), mins, prefs, maxs, factors, policies);
    }

    for (int i = 0; i < m_entries.size(); ++i) {
        const Entry &e = m_entries.at(i);
        if (!e.item) {
            stretches = stretches || e.stretch > 0;
            continue;
        }
        if (items > 0)
            main += m_spacing;
        ++items;
        QSizeF itemConstraint(-1, -1);
        if (o == Qt::Vertical && crossConstraint >= 0) {
            qreal w = qMin(crossConstraint, e.item->effectiveSizeHint(Qt::MaximumSize).width());
            if (crossFlags(e.alignment, o))
                w = qMin(w, e.item->effectiveSizeHint(Qt::PreferredSize).width());
            itemConstraint.setWidth(w);
        } else if (o == Qt::Horizontal && !rowWidths.isEmpty()) {
            itemConstraint.setWidth(rowWidths.at(i));
        }
        const QSizeF hint = e.item->effectiveSizeHint(which, itemConstraint);
        main += mainOf(hint, o);
        cross = qMax(cross, crossOf(hint, o));
    }
    if (which == Qt::MaximumSize) {
        if (stretches || main > unlimited)
            main = unlimited;
        cross = unlimited;
    }
    return makeSize(qMin(main, unlimited), qMin(cross, unlimited), o);
}

void ZelvoLinearLayoutPolicy::applyGeometry(const QRectF &rect) const
{
    const Qt::Orientation o = m_orientation;
    const qreal crossLength = crossOf(rect.size(), o);

    QVector<qreal> mins, prefs, maxs;
    QVector<int> factors;
    QVector<QSizePolicy::Policy> policies;
    QVector<qreal> crossSizes;
    qreal spacingTotal = 0;
    int items = 0;
    for (const Entry &e : m_entries) {
        if (!e.item) {
            mins << 0;
            prefs << 0;
            maxs << unlimited;
            factors << e.stretch;
            policies << QSizePolicy::Expanding;
            crossSizes << 0;
            continue;
        }
        if (items++ > 0)
            spacingTotal += m_spacing;
        // The item's extent across the line: all of it, unless it is aligned
        // across, then what it prefers.
        qreal c = qMin(crossLength, crossOf(e.item->effectiveSizeHint(Qt::MaximumSize), o));
        if (crossFlags(e.alignment, o))
            c = qMin(c, crossOf(e.item->effectiveSizeHint(Qt::PreferredSize), o));
        c = qMax(c, qMin(crossLength, crossOf(e.item->effectiveSizeHint(Qt::MinimumSize), o)));
        crossSizes << c;
        const QSizeF constraint = o == Qt::Vertical ? QSizeF(c, -1) : QSizeF(-1, -1);
        mins << mainOf(e.item->effectiveSizeHint(Qt::MinimumSize, constraint), o);
        prefs << mainOf(e.item->effectiveSizeHint(Qt::PreferredSize, constraint), o);
        maxs << mainOf(e.item->effectiveSizeHint(Qt::MaximumSize, constraint), o);
        factors << e.stretch;
        policies << (o == Qt::Vertical ? e.item->sizePolicy().verticalPolicy()
                                       : e.item->sizePolicy().horizontalPolicy());
    }
    const QVector<qreal> lengths =
        distribute(qMax<qreal>(0, mainOf(rect.size(), o) - spacingTotal), mins, prefs, maxs, factors, policies);

    qreal position = o == Qt::Vertical ? rect.top() : rect.left();
    const qreal crossStart = o == Qt::Vertical ? rect.left() : rect.top();
    items = 0;
    for (int i = 0; i < m_entries.size(); ++i) {
        const Entry &e = m_entries.at(i);
        if (!e.item) {
            position += lengths.at(i);
            continue;
        }
        if (items++ > 0)
            position += m_spacing;
        const qreal slot = lengths.at(i);
        qreal length = slot;
        qreal offset = 0;
        const Qt::Alignment along = mainFlags(e.alignment, o);
        if (along) {
            length = qMin(slot, qMax(prefs.at(i), mins.at(i)));
            const bool centre = along & (Qt::AlignVCenter | Qt::AlignHCenter);
            const bool end = along & (Qt::AlignBottom | Qt::AlignRight);
            offset = centre ? (slot - length) / 2 : end ? slot - length : 0;
        }
        length = qMin(length, maxs.at(i));
        const qreal c = crossSizes.at(i);
        qreal crossOffset = 0;
        const Qt::Alignment across = crossFlags(e.alignment, o);
        if (across & (Qt::AlignHCenter | Qt::AlignVCenter))
            crossOffset = (crossLength - c) / 2;
        else if (across & (Qt::AlignRight | Qt::AlignBottom))
            crossOffset = crossLength - c;
        QRectF r;
        if (o == Qt::Vertical)
            r = QRectF(crossStart + crossOffset, position + offset, c, length);
        else
            r = QRectF(position + offset, crossStart + crossOffset, length, c);
        e.item->setGeometry(r);
        position += slot;
    }
}
