#include "zelvoseparator.h"

#include <QPainter>

ZelvoSeparator::ZelvoSeparator(QGraphicsItem *parent, Qt::Orientation orientation)
    : ZelvoStylableWidget(parent)
    , m_orientation(orientation)
{
    setOrientation(orientation);
}

ZelvoSeparator::~ZelvoSeparator() = default;

void ZelvoSeparator::setOrientation(Qt::Orientation orientation)
{
    m_orientation = orientation;
    if (orientation == Qt::Horizontal)
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    else
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    updateGeometry();
}

Qt::Orientation ZelvoSeparator::orientation() const
{
    return m_orientation;
}

QSizeF ZelvoSeparator::contentSizeHint(Qt::SizeHint which, qreal contentWidth) const
{
    Q_UNUSED(which)
    Q_UNUSED(contentWidth)
    const qreal w = style().lineWidth;
    return m_orientation == Qt::Horizontal ? QSizeF(0, w) : QSizeF(w, 0);
}

void ZelvoSeparator::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    ZelvoStylableWidget::paint(painter, option, widget);
    const ZelvoStyle &s = style();
    if (s.lineWidth <= 0 || s.lineColor.alpha() == 0)
        return;
    const QRectF area = contentRect();
    QRectF line;
    if (m_orientation == Qt::Horizontal)
        line = QRectF(area.left(), area.center().y() - s.lineWidth / 2, area.width(), s.lineWidth);
    else
        line = QRectF(area.center().x() - s.lineWidth / 2, area.top(), s.lineWidth, area.height());
    painter->fillRect(line, s.lineColor);
}
