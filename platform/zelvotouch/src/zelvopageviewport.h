#ifndef ZELVOPAGEVIEWPORT_H
#define ZELVOPAGEVIEWPORT_H

#include <QGraphicsWidget>
#include <QPointer>

// The visible part of a page's content. The content widget is as wide as the
// viewport and as tall as it wants (at least the viewport's height); when it
// is taller, a drag or the wheel scrolls it.
class ZelvoPageViewport : public QGraphicsWidget
{
    Q_OBJECT

public:
    explicit ZelvoPageViewport(QGraphicsItem *parent = nullptr);
    ~ZelvoPageViewport() override;

    void setContent(QGraphicsWidget *content); // deletes the previous content
    QGraphicsWidget *content() const;

    qreal scrollPosition() const;
    void setScrollPosition(qreal position);
    qreal maximumScrollPosition() const;
    void ensureVisible(QGraphicsItem *item);

public slots:
    void relayout();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool sceneEventFilter(QGraphicsItem *watched, QEvent *event) override;
    void resizeEvent(QGraphicsSceneResizeEvent *event) override;
    void wheelEvent(QGraphicsSceneWheelEvent *event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;

private:
    void scheduleRelayout();

    QPointer<QGraphicsWidget> m_content;
    qreal m_scroll;
    qreal m_contentHeight;
    bool m_relayoutPending;
    bool m_dragging;
    QPointF m_pressPos;
    qreal m_pressScroll;
};

#endif
