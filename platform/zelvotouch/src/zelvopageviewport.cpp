#include "zelvopageviewport.h"

#include <QEvent>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsSceneWheelEvent>
#include <QTimer>

namespace {
// A finger must travel this far before a press on a button becomes a drag.
const qreal dragThreshold = 12;
} // namespace

ZelvoPageViewport::ZelvoPageViewport(QGraphicsItem *parent)
    : QGraphicsWidget(parent)
    , m_scroll(0)
    , m_contentHeight(0)
    , m_relayoutPending(false)
    , m_dragging(false)
    , m_pressScroll(0)
{
    setFlag(ItemClipsChildrenToShape, true);
    setFiltersChildEvents(true);
    setProperty("zelvoInternal", true);
    setAcceptedMouseButtons(Qt::LeftButton);
}

ZelvoPageViewport::~ZelvoPageViewport() = default;

void ZelvoPageViewport::setContent(QGraphicsWidget *content)
{
    if (content == m_content)
        return;
    if (m_content) {
        m_content->removeEventFilter(this);
        delete m_content.data();
    }
    m_content = content;
    m_scroll = 0;
    if (content) {
        content->setParentItem(this);
        content->installEventFilter(this);
        content->setVisible(true);
    }
    relayout();
}

QGraphicsWidget *ZelvoPageViewport::content() const
{
    return m_content;
}

qreal ZelvoPageViewport::scrollPosition() const
{
    return m_scroll;
}

qreal ZelvoPageViewport::maximumScrollPosition() const
{
    return qMax<qreal>(0, m_contentHeight - size().height());
}

void ZelvoPageViewport::setScrollPosition(qreal position)
{
    const qreal bounded = qBound<qreal>(0, position, maximumScrollPosition());
    if (qFuzzyCompare(bounded + 1, m_scroll + 1))
        return;
    m_scroll = bounded;
    if (m_content)
        m_content->setPos(0, -m_scroll);
}

void ZelvoPageViewport::ensureVisible(QGraphicsItem *item)
{
    if (!m_content || !item)
        return;
    relayout();
    const QRectF r = item->mapRectToItem(m_content, item->boundingRect());
    const qreal viewHeight = size().height();
    if (r.top() < m_scroll)
        setScrollPosition(r.top());
    else if (r.bottom() > m_scroll + viewHeight)
        setScrollPosition(qMin(r.top(), r.bottom() - viewHeight));
}

void ZelvoPageViewport::relayout()
{
    m_relayoutPending = false;
    if (!m_content)
        return;
    const qreal width = size().width();
    const QSizeF hint = m_content->effectiveSizeHint(Qt::PreferredSize, QSizeF(width, -1));
    m_contentHeight = qMax(size().height(), hint.height());
    m_content->setGeometry(QRectF(0, 0, width, m_contentHeight));
    m_scroll = qBound<qreal>(0, m_scroll, maximumScrollPosition());
    m_content->setPos(0, -m_scroll);
}

void ZelvoPageViewport::scheduleRelayout()
{
    if (m_relayoutPending)
        return;
    m_relayoutPending = true;
    QTimer::singleShot(0, this, &ZelvoPageViewport::relayout);
}

bool ZelvoPageViewport::eventFilter(QObject *watched, QEvent *event)
{
    // The content's own layout asks for a new size; the content has no parent
    // layout to pass that on, so the viewport sizes it again.
    if (watched == m_content && event->type() == QEvent::LayoutRequest)
        scheduleRelayout();
    return QGraphicsWidget::eventFilter(watched, event);
}

void ZelvoPageViewport::resizeEvent(QGraphicsSceneResizeEvent *event)
{
    QGraphicsWidget::resizeEvent(event);
    relayout();
}

void ZelvoPageViewport::wheelEvent(QGraphicsSceneWheelEvent *event)
{
    if (maximumScrollPosition() <= 0) {
        event->ignore();
        return;
    }
    setScrollPosition(m_scroll - event->delta() / 2.0);
    event->accept();
}

bool ZelvoPageViewport::sceneEventFilter(QGraphicsItem *watched, QEvent *event)
{
    Q_UNUSED(watched)
    if (maximumScrollPosition() <= 0)
        return false;
    // Other events pass through here too: only a mouse event may be cast.
    auto mouse = [event] { return static_cast<QGraphicsSceneMouseEvent *>(event); };
    switch (event->type()) {
    case QEvent::GraphicsSceneMousePress:
        m_pressPos = mouse()->scenePos();
        m_pressScroll = m_scroll;
        m_dragging = false;
        return false;
    case QEvent::GraphicsSceneMouseMove:
        if (!m_dragging && qAbs(mouse()->scenePos().y() - m_pressPos.y()) > dragThreshold) {
            // The drag is a scroll, not a tap: take the mouse from the child.
            m_dragging = true;
            grabMouse();
        }
        if (m_dragging) {
            setScrollPosition(m_pressScroll - (mouse()->scenePos().y() - m_pressPos.y()));
            return true;
        }
        return false;
    default:
        return false;
    }
}

void ZelvoPageViewport::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    m_pressPos = event->scenePos();
    m_pressScroll = m_scroll;
    m_dragging = maximumScrollPosition() > 0;
    if (!m_dragging)
        event->ignore();
}

void ZelvoPageViewport::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    if (m_dragging)
        setScrollPosition(m_pressScroll - (event->scenePos().y() - m_pressPos.y()));
}

void ZelvoPageViewport::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    Q_UNUSED(event)
    if (m_dragging)
        ungrabMouse();
    m_dragging = false;
}
