#include "zelvostylablewidget.h"

#include "zelvotheme.h"

#include <QPainter>
#include <QPainterPath>

namespace {
const qreal unlimited = 16777215;
}

ZelvoStylableWidget::ZelvoStylableWidget(QGraphicsItem *parent)
    : QGraphicsWidget(parent)
    , m_styleGeneration(-1)
{
}

ZelvoStylableWidget::~ZelvoStylableWidget() = default;

void ZelvoStylableWidget::setStyleName(const QString &styleName)
{
    if (styleName == m_styleName && m_styleGeneration >= 0)
        return;
    m_styleName = styleName;
    m_styleGeneration = -1;
    styleChanged();
}

QString ZelvoStylableWidget::styleName() const
{
    return m_styleName;
}

const ZelvoStyle &ZelvoStylableWidget::style() const
{
    const int generation = ZelvoTheme::instance().generation();
    if (m_styleGeneration != generation) {
        m_style = ZelvoTheme::instance().style(metaObject(), m_styleName);
        m_styleGeneration = generation;
    }
    return m_style;
}

void ZelvoStylableWidget::styleChanged()
{
    // A layout set on the widget sits inside margins and padding.
    const ZelvoStyle &s = style();
    const QMarginsF m = s.margins + s.padding;
    setContentsMargins(m.left(), m.top(), m.right(), m.bottom());
    updateGeometry();
    update();
}

QRectF ZelvoStylableWidget::backgroundRect() const
{
    return rect().marginsRemoved(style().margins);
}

QRectF ZelvoStylableWidget::contentRect() const
{
    return backgroundRect().marginsRemoved(style().padding);
}

QSizeF ZelvoStylableWidget::contentSizeHint(Qt::SizeHint which, qreal contentWidth) const
{
    Q_UNUSED(which)
    Q_UNUSED(contentWidth)
    return QSizeF(0, 0);
}

QSizeF ZelvoStylableWidget::sizeHint(Qt::SizeHint which, const QSizeF &constraint) const
{
    const ZelvoStyle &s = style();
    if (which == Qt::MaximumSize) {
        return QSizeF(s.maximumWidth > 0 ? s.maximumWidth : unlimited, unlimited);
    }
    if (layout()) {
        const QSizeF hint = QGraphicsWidget::sizeHint(which, constraint);
        if (which != Qt::MinimumSize && which != Qt::PreferredSize)
            return hint;
        return hint.expandedTo(QSizeF(s.minimumWidth, s.minimumHeight));
    }
    if (which != Qt::MinimumSize && which != Qt::PreferredSize)
        return QGraphicsWidget::sizeHint(which, constraint);

    const qreal frameWidth = s.margins.left() + s.margins.right() + s.padding.left() + s.padding.right();
    const qreal frameHeight = s.margins.top() + s.margins.bottom() + s.padding.top() + s.padding.bottom();
    qreal contentWidth = -1;
    if (constraint.width() >= 0)
        contentWidth = qMax<qreal>(0, constraint.width() - frameWidth);
    else if (which == Qt::PreferredSize && s.preferredWidth >= 0)
        contentWidth = qMax<qreal>(0, s.preferredWidth - frameWidth);
    const QSizeF content = contentSizeHint(which, contentWidth);
    QSizeF size(content.width() + frameWidth, content.height() + frameHeight);
    if (which == Qt::PreferredSize) {
        if (s.preferredWidth >= 0)
            size.setWidth(s.preferredWidth);
        if (s.preferredHeight >= 0)
            size.setHeight(s.preferredHeight);
    }
    size = size.expandedTo(QSizeF(s.minimumWidth, s.minimumHeight));
    if (s.maximumWidth > 0)
        size.setWidth(qMin(size.width(), s.maximumWidth));
    return size;
}

void ZelvoStylableWidget::paintBackground(QPainter *painter, bool pressed, bool checked) const
{
    const ZelvoStyle &s = style();
    QColor fill = s.backgroundColor;
    if (checked && s.checkedBackgroundColor.alpha() > 0)
        fill = s.checkedBackgroundColor;
    if (pressed && s.pressedBackgroundColor.alpha() > 0)
        fill = s.pressedBackgroundColor;
    const bool border = s.borderWidth > 0 && s.borderColor.alpha() > 0;
    if (fill.alpha() == 0 && !border)
        return;
    const QRectF r =
        backgroundRect().adjusted(s.borderWidth / 2, s.borderWidth / 2, -s.borderWidth / 2, -s.borderWidth / 2);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, s.borderRadius > 0);
    painter->setPen(border ? QPen(s.borderColor, s.borderWidth) : QPen(Qt::NoPen));
    painter->setBrush(fill.alpha() > 0 ? QBrush(fill) : QBrush(Qt::NoBrush));
    if (s.borderRadius > 0)
        painter->drawRoundedRect(r, s.borderRadius, s.borderRadius);
    else
        painter->drawRect(r);
    painter->restore();
}

void ZelvoStylableWidget::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    Q_UNUSED(option)
    Q_UNUSED(widget)
    paintBackground(painter);
}

void ZelvoStylableWidget::polishEvent()
{
    // The class is known only now; a style from the class rules may set margins.
    if (m_styleGeneration < 0 || layout())
        styleChanged();
    QGraphicsWidget::polishEvent();
}
