#include "zelvoprogressindicator.h"

#include <QPainter>
#include <QTimer>

#include <cmath>

const char *const ZelvoProgressIndicator::spinnerType = "spinner";
const char *const ZelvoProgressIndicator::barType = "bar";

namespace {
const int frameInterval = 40;
const qreal degreesPerFrame = 12;
} // namespace

ZelvoProgressIndicator::ZelvoProgressIndicator(QGraphicsItem *parent, const QString &viewType)
    : ZelvoStylableWidget(parent)
    , m_viewType(viewType == QLatin1String(barType) ? QString::fromLatin1(barType) : QString::fromLatin1(spinnerType))
    , m_unknownDuration(false)
    , m_running(true)
    , m_minimum(0)
    , m_maximum(100)
    , m_value(0)
    , m_angle(0)
    , m_timer(new QTimer(this))
{
    m_timer->setInterval(frameInterval);
    connect(m_timer, &QTimer::timeout, this, &ZelvoProgressIndicator::advanceSpinner);
    if (m_viewType == QLatin1String(spinnerType))
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    else
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

ZelvoProgressIndicator::~ZelvoProgressIndicator() = default;

QString ZelvoProgressIndicator::viewType() const
{
    return m_viewType;
}

void ZelvoProgressIndicator::setUnknownDuration(bool unknown)
{
    m_unknownDuration = unknown;
    updateTimer();
    update();
}

bool ZelvoProgressIndicator::unknownDuration() const
{
    return m_unknownDuration;
}

void ZelvoProgressIndicator::setRunning(bool running)
{
    m_running = running;
    updateTimer();
    update();
}

bool ZelvoProgressIndicator::isRunning() const
{
    return m_running;
}

void ZelvoProgressIndicator::setRange(int minimum, int maximum)
{
    m_minimum = qMin(minimum, maximum);
    m_maximum = qMax(minimum, maximum);
    m_value = qBound(m_minimum, m_value, m_maximum);
    update();
}

int ZelvoProgressIndicator::minimum() const
{
    return m_minimum;
}

int ZelvoProgressIndicator::maximum() const
{
    return m_maximum;
}

int ZelvoProgressIndicator::value() const
{
    return m_value;
}

void ZelvoProgressIndicator::setValue(int value)
{
    m_value = qBound(m_minimum, value, m_maximum);
    update();
}

qreal ZelvoProgressIndicator::spinnerAngle() const
{
    return m_angle;
}

void ZelvoProgressIndicator::advanceSpinner()
{
    m_angle = std::fmod(m_angle + degreesPerFrame, 360.0);
    update();
}

void ZelvoProgressIndicator::updateTimer()
{
    // Spinning costs wake-ups; only a visible indicator in a scene spins.
    const bool spin = m_running && m_unknownDuration && isVisible() && scene();
    if (spin && !m_timer->isActive())
        m_timer->start();
    else if (!spin)
        m_timer->stop();
}

QVariant ZelvoProgressIndicator::itemChange(GraphicsItemChange change, const QVariant &value)
{
    const QVariant result = ZelvoStylableWidget::itemChange(change, value);
    if (change == ItemVisibleHasChanged || change == ItemSceneHasChanged)
        QTimer::singleShot(0, this, &ZelvoProgressIndicator::updateTimer);
    return result;
}

QSizeF ZelvoProgressIndicator::contentSizeHint(Qt::SizeHint which, qreal contentWidth) const
{
    Q_UNUSED(which)
    Q_UNUSED(contentWidth)
    const qreal size =
        style().value(QStringLiteral("indicator-size"), QStringLiteral("48")).remove(QStringLiteral("px")).toDouble();
    if (m_viewType == QLatin1String(spinnerType))
        return QSizeF(size, size);
    return QSizeF(size * 2, qMax<qreal>(4, style().lineWidth));
}

void ZelvoProgressIndicator::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    ZelvoStylableWidget::paint(painter, option, widget);
    const ZelvoStyle &s = style();
    const QRectF area = contentRect();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    const qreal span = m_maximum > m_minimum ? qreal(m_value - m_minimum) / (m_maximum - m_minimum) : 0;
    if (m_viewType == QLatin1String(spinnerType)) {
        const qreal pen = qMax<qreal>(2, s.lineWidth);
        const qreal side = qMin(area.width(), area.height()) - pen;
        const QRectF circle(area.center().x() - side / 2, area.center().y() - side / 2, side, side);
        painter->setPen(QPen(s.lineColor, pen));
        painter->drawEllipse(circle);
        painter->setPen(QPen(s.accentColor, pen, Qt::SolidLine, Qt::RoundCap));
        if (m_unknownDuration)
            painter->drawArc(circle, int((90 - m_angle) * 16), -100 * 16);
        else
            painter->drawArc(circle, 90 * 16, int(-span * 360 * 16));
    } else {
        painter->setPen(Qt::NoPen);
        painter->setBrush(s.lineColor);
        painter->drawRoundedRect(area, area.height() / 2, area.height() / 2);
        painter->setBrush(s.accentColor);
        if (m_unknownDuration) {
            const qreal w = area.width() / 4;
            const qreal x = area.left() + (area.width() - w) * (m_angle / 360.0);
            painter->drawRoundedRect(QRectF(x, area.top(), w, area.height()), area.height() / 2, area.height() / 2);
        } else {
            painter->drawRoundedRect(QRectF(area.left(), area.top(), area.width() * span, area.height()),
                                     area.height() / 2, area.height() / 2);
        }
    }
    painter->restore();
}
