#include "zelvolistitem.h"

#include "zelvolocale.h"

#include <QFontMetricsF>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace {
const qreal markSize = 30;

QFont secondLineFont(const ZelvoStyle &s)
{
    QFont f = s.font();
    f.setPixelSize(qMax(1, s.font().pixelSize() * 3 / 4));
    f.setBold(false);
    return f;
}
} // namespace

ZelvoListItem::ZelvoListItem(QGraphicsItem *parent)
    : ZelvoStylableWidget(parent)
    , m_selectable(false)
    , m_selected(false)
    , m_down(false)
{
    setAcceptedMouseButtons(Qt::LeftButton);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

ZelvoListItem::~ZelvoListItem() = default;

void ZelvoListItem::setTitle(const QString &title)
{
    m_title = title;
    updateGeometry();
    update();
}

QString ZelvoListItem::title() const
{
    return m_title;
}

void ZelvoListItem::setSubtitle(const QString &subtitle)
{
    m_subtitle = subtitle;
    updateGeometry();
    update();
}

QString ZelvoListItem::subtitle() const
{
    return m_subtitle;
}

void ZelvoListItem::setSelectable(bool selectable)
{
    m_selectable = selectable;
    update();
}

bool ZelvoListItem::isSelectable() const
{
    return m_selectable;
}

void ZelvoListItem::setSelected(bool selected)
{
    m_selected = selected;
    update();
}

bool ZelvoListItem::isSelected() const
{
    return m_selected;
}

QSizeF ZelvoListItem::contentSizeHint(Qt::SizeHint which, qreal contentWidth) const
{
    Q_UNUSED(which)
    Q_UNUSED(contentWidth)
    const ZelvoStyle &s = style();
    qreal height = QFontMetricsF(s.font()).height();
    if (!m_subtitle.isEmpty())
        height += 2 + QFontMetricsF(secondLineFont(s)).height();
    return QSizeF(100, height);
}

void ZelvoListItem::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        event->ignore();
        return;
    }
    m_down = true;
    update();
    event->accept();
}

void ZelvoListItem::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    const bool tapped = m_down && rect().contains(event->pos());
    m_down = false;
    update();
    if (tapped)
        emit clicked();
}

void ZelvoListItem::ungrabMouseEvent(QEvent *event)
{
    Q_UNUSED(event)
    m_down = false;
    update();
}

void ZelvoListItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    Q_UNUSED(option)
    Q_UNUSED(widget)
    const ZelvoStyle &s = style();
    paintBackground(painter, m_down, m_selected);
    QRectF area = contentRect();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    if (m_selectable) {
        const QRectF box(area.right() - markSize, area.center().y() - markSize / 2, markSize, markSize);
        painter->setPen(QPen(m_selected ? s.accentColor : s.secondaryTextColor, 2));
        painter->setBrush(m_selected ? s.accentColor : QColor(Qt::transparent));
        painter->drawEllipse(box.adjusted(1, 1, -1, -1));
        if (m_selected) {
            QPainterPath mark;
            mark.moveTo(box.left() + box.width() * 0.26, box.top() + box.height() * 0.52);
            mark.lineTo(box.left() + box.width() * 0.44, box.top() + box.height() * 0.70);
            mark.lineTo(box.left() + box.width() * 0.76, box.top() + box.height() * 0.32);
            painter->setPen(QPen(s.textColor, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter->setBrush(Qt::NoBrush);
            painter->drawPath(mark);
        }
        area.setRight(box.left() - s.spacing);
    }
    const QFontMetricsF titleMetrics(s.font());
    painter->setFont(s.font());
    painter->setPen(isEnabled() ? s.textColor : s.disabledTextColor);
    const QString title = ZelvoLocale::displayText(m_title);
    if (m_subtitle.isEmpty()) {
        painter->drawText(area, int(Qt::AlignLeft | Qt::AlignVCenter),
                          titleMetrics.elidedText(title, Qt::ElideRight, area.width()));
    } else {
        const QFont second = secondLineFont(s);
        const QFontMetricsF secondMetrics(second);
        const qreal total = titleMetrics.height() + 2 + secondMetrics.height();
        const qreal top = area.top() + (area.height() - total) / 2;
        painter->drawText(QRectF(area.left(), top, area.width(), titleMetrics.height()),
                          int(Qt::AlignLeft | Qt::AlignVCenter),
                          titleMetrics.elidedText(title, Qt::ElideRight, area.width()));
        painter->setFont(second);
        painter->setPen(s.secondaryTextColor);
        painter->drawText(QRectF(area.left(), top + titleMetrics.height() + 2, area.width(), secondMetrics.height()),
                          int(Qt::AlignLeft | Qt::AlignVCenter),
                          secondMetrics.elidedText(m_subtitle, Qt::ElideRight, area.width()));
    }
    painter->restore();
}
