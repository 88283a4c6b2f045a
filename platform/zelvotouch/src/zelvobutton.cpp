#include "zelvobutton.h"

#include "zelvolocale.h"

#include <QFontMetricsF>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace {
const qreal switchWidth = 64;
const qreal switchHeight = 34;
const qreal checkboxSize = 32;
} // namespace

ZelvoButton::ZelvoButton(QGraphicsItem *parent)
    : ZelvoButton(QString(), parent)
{
}

ZelvoButton::ZelvoButton(const QString &text, QGraphicsItem *parent)
    : ZelvoStylableWidget(parent)
    , m_text(text)
    , m_viewType(PushButtonType)
    , m_checkable(false)
    , m_checked(false)
    , m_down(false)
{
    setAcceptedMouseButtons(Qt::LeftButton);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

ZelvoButton::~ZelvoButton() = default;

void ZelvoButton::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    updateGeometry();
    update();
}

QString ZelvoButton::text() const
{
    return m_text;
}

QString ZelvoButton::displayText() const
{
    return ZelvoLocale::displayText(m_text);
}

void ZelvoButton::setViewType(ViewType type)
{
    m_viewType = type;
    if (type != PushButtonType)
        m_checkable = true;
    updateGeometry();
    update();
}

ZelvoButton::ViewType ZelvoButton::viewType() const
{
    return m_viewType;
}

void ZelvoButton::setCheckable(bool checkable)
{
    m_checkable = checkable;
    if (!checkable && m_checked) {
        m_checked = false;
        emit toggled(false);
    }
    update();
}

bool ZelvoButton::isCheckable() const
{
    return m_checkable;
}

bool ZelvoButton::isChecked() const
{
    return m_checked;
}

bool ZelvoButton::isDown() const
{
    return m_down;
}

void ZelvoButton::setChecked(bool checked)
{
    if (!m_checkable || checked == m_checked)
        return;
    m_checked = checked;
    update();
    emit toggled(checked);
}

void ZelvoButton::toggle()
{
    setChecked(!m_checked);
}

void ZelvoButton::click()
{
    if (!isEnabled())
        return;
    if (m_checkable)
        toggle();
    emit clicked();
}

QSizeF ZelvoButton::contentSizeHint(Qt::SizeHint which, qreal contentWidth) const
{
    Q_UNUSED(contentWidth)
    const QFontMetricsF metrics(style().font());
    qreal width = metrics.horizontalAdvance(displayText());
    qreal height = metrics.height();
    if (m_viewType == SwitchType) {
        width += style().spacing + switchWidth;
        height = qMax(height, switchHeight);
    } else if (m_viewType == CheckboxType) {
        width += style().spacing + checkboxSize;
        height = qMax(height, checkboxSize);
    }
    if (which == Qt::MinimumSize && m_viewType != PushButtonType)
        width = qMin<qreal>(width, 120);
    return QSizeF(width, height);
}

void ZelvoButton::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        event->ignore();
        return;
    }
    m_down = true;
    update();
    event->accept();
    emit pressed();
}

void ZelvoButton::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    const bool inside = rect().contains(event->pos());
    if (inside != m_down) {
        m_down = inside;
        update();
    }
}

void ZelvoButton::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const bool wasDown = m_down;
    m_down = false;
    update();
    emit released();
    // A finger that slid off the button before lifting does not tap it.
    if (wasDown && rect().contains(event->pos()))
        click();
}

void ZelvoButton::ungrabMouseEvent(QEvent *event)
{
    Q_UNUSED(event)
    if (m_down) {
        m_down = false;
        update();
    }
}

void ZelvoButton::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    Q_UNUSED(option)
    Q_UNUSED(widget)
    const ZelvoStyle &s = style();
    const bool pushLike = m_viewType == PushButtonType;
    paintBackground(painter, m_down, pushLike && m_checked);

    QRectF textArea = contentRect();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    if (m_viewType == SwitchType) {
        const QRectF track(textArea.right() - switchWidth, textArea.center().y() - switchHeight / 2, switchWidth,
                           switchHeight);
        painter->setPen(Qt::NoPen);
        painter->setBrush(m_checked ? s.accentColor : s.lineColor);
        painter->drawRoundedRect(track, switchHeight / 2, switchHeight / 2);
        const qreal knob = switchHeight - 6;
        const qreal x = m_checked ? track.right() - knob - 3 : track.left() + 3;
        painter->setBrush(s.textColor);
        painter->drawEllipse(QRectF(x, track.top() + 3, knob, knob));
        textArea.setRight(track.left() - s.spacing);
    } else if (m_viewType == CheckboxType) {
        const QRectF box(textArea.right() - checkboxSize, textArea.center().y() - checkboxSize / 2, checkboxSize,
                         checkboxSize);
        painter->setPen(QPen(m_checked ? s.accentColor : s.secondaryTextColor, 2));
        painter->setBrush(m_checked ? s.accentColor : QColor(Qt::transparent));
        painter->drawRoundedRect(box.adjusted(1, 1, -1, -1), 4, 4);
        if (m_checked) {
            QPainterPath mark;
            mark.moveTo(box.left() + box.width() * 0.22, box.top() + box.height() * 0.52);
            mark.lineTo(box.left() + box.width() * 0.42, box.top() + box.height() * 0.72);
            mark.lineTo(box.left() + box.width() * 0.78, box.top() + box.height() * 0.30);
            painter->setPen(QPen(s.textColor, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter->setBrush(Qt::NoBrush);
            painter->drawPath(mark);
        }
        textArea.setRight(box.left() - s.spacing);
    }
    painter->setFont(s.font());
    painter->setPen(isEnabled() ? s.textColor : s.disabledTextColor);
    const Qt::Alignment align = pushLike ? s.textAlignment : Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter);
    const QFontMetricsF metrics(s.font());
    painter->drawText(textArea, int(align), metrics.elidedText(displayText(), Qt::ElideRight, textArea.width()));
    painter->restore();
}
