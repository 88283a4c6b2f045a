#ifndef ZELVOLISTITEM_H
#define ZELVOLISTITEM_H

#include "zelvoglobal.h"

#include "zelvostylablewidget.h"

// One row of a ZelvoList: a title, an optional second line and, in a list
// with selection, a check mark. Tapping it emits clicked().
class ZELVO_EXPORT ZelvoListItem : public ZelvoStylableWidget
{
    Q_OBJECT
    Q_PROPERTY(QString text READ title)
    Q_PROPERTY(QString title READ title WRITE setTitle)
    Q_PROPERTY(QString subtitle READ subtitle WRITE setSubtitle)
    Q_PROPERTY(bool selected READ isSelected WRITE setSelected)

public:
    explicit ZelvoListItem(QGraphicsItem *parent = nullptr);
    ~ZelvoListItem() override;

    void setTitle(const QString &title);
    QString title() const;
    void setSubtitle(const QString &subtitle);
    QString subtitle() const;

    void setSelectable(bool selectable); // shows the check mark space
    bool isSelectable() const;
    void setSelected(bool selected);
    bool isSelected() const;

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget = nullptr) override;

signals:
    void clicked();

protected:
    QSizeF contentSizeHint(Qt::SizeHint which, qreal contentWidth) const override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;
    void ungrabMouseEvent(QEvent *event) override;

private:
    QString m_title;
    QString m_subtitle;
    bool m_selectable;
    bool m_selected;
    bool m_down;
};

#endif
