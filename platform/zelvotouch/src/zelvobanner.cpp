#include "zelvobanner.h"

#include "zelvolocale.h"

#include <QFontMetricsF>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QTextLayout>
#include <QTimer>

ZelvoBanner::ZelvoBanner(QGraphicsItem *parent)
    : ZelvoSceneWindow(parent)
    , m_timeout(defaultDisappearTimeout)
    , m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &ZelvoSceneWindow::disappear);
    setAcceptedMouseButtons(Qt::LeftButton);
}

ZelvoBanner::~ZelvoBanner() = default;

void ZelvoBanner::setTitle(const QString &title)
{
    m_title = title;
    updateGeometry();
    update();
}

QString ZelvoBanner::title() const
{
    return m_title;
}

void ZelvoBanner::setSubtitle(const QString &subtitle)
{
    m_subtitle = subtitle;
    updateGeometry();
    update();
}

QString ZelvoBanner::subtitle() const
{
    return m_subtitle;
}

void ZelvoBanner::setDisappearTimeout(int milliseconds)
{
    m_timeout = qMax(0, milliseconds);
    if (m_timer->isActive()) {
        if (m_timeout > 0)
            m_timer->start(m_timeout);
        else
            m_timer->stop();
    }
}

int ZelvoBanner::disappearTimeout() const
{
    return m_timeout;
}

ZelvoSceneWindow::Layer ZelvoBanner::layer() const
{
    return BannerLayer;
}

void ZelvoBanner::aboutToAppear()
{
    if (m_timeout > 0)
        m_timer->start(m_timeout);
}

void ZelvoBanner::aboutToDisappear()
{
    m_timer->stop();
}

namespace {

qreal wrappedHeight(const QString &text, const QFont &font, qreal width)
{
    if (text.isEmpty())
        return 0;
    const QFontMetricsF metrics(font);
    const QRectF r = metrics.boundingRect(QRectF(0, 0, qMax<qreal>(1, width), 100000), int(Qt::TextWordWrap), text);
    return r.height();
}

} // namespace

QSizeF ZelvoBanner::contentSizeHint(Qt::SizeHint which, qreal contentWidth) const
{
    const ZelvoStyle &s = style();
    const qreal width = contentWidth >= 0 ? contentWidth : 440;
    QFont subtitleFont = s.font();
    subtitleFont.setPixelSize(qMax(1, s.font().pixelSize() * 4 / 5));
    subtitleFont.setBold(false);
    qreal height = wrappedHeight(ZelvoLocale::displayText(m_title), s.font(), width);
    if (!m_subtitle.isEmpty())
        height += s.spacing / 2 + wrappedHeight(ZelvoLocale::displayText(m_subtitle), subtitleFont, width);
    // The window gives the banner its width; any width will do.
    return QSizeF(which == Qt::MinimumSize ? 0 : width, height);
}

void ZelvoBanner::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    Q_UNUSED(option)
    Q_UNUSED(widget)
    paintBackground(painter);
    const ZelvoStyle &s = style();
    const QRectF area = contentRect();
    painter->save();
    painter->setFont(s.font());
    painter->setPen(s.textColor);
    const QString title = ZelvoLocale::displayText(m_title);
    const qreal titleHeight = wrappedHeight(title, s.font(), area.width());
    painter->drawText(QRectF(area.left(), area.top(), area.width(), titleHeight),
                      int(Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop), title);
    if (!m_subtitle.isEmpty()) {
        QFont subtitleFont = s.font();
        subtitleFont.setPixelSize(qMax(1, s.font().pixelSize() * 4 / 5));
        subtitleFont.setBold(false);
        painter->setFont(subtitleFont);
        painter->setPen(s.secondaryTextColor);
        const qreal top = area.top() + titleHeight + s.spacing / 2;
        painter->drawText(QRectF(area.left(), top, area.width(), area.bottom() - top),
                          int(Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop), ZelvoLocale::displayText(m_subtitle));
    }
    painter->restore();
}

void ZelvoBanner::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    event->accept();
}

void ZelvoBanner::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    if (rect().contains(event->pos()))
        dismiss();
}
