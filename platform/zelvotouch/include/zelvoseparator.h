#ifndef ZELVOSEPARATOR_H
#define ZELVOSEPARATOR_H

#include "zelvoglobal.h"

#include "zelvostylablewidget.h"

// A thin line between parts of a page: horizontal by default.
class ZELVO_EXPORT ZelvoSeparator : public ZelvoStylableWidget
{
    Q_OBJECT

public:
    explicit ZelvoSeparator(QGraphicsItem *parent = nullptr, Qt::Orientation orientation = Qt::Horizontal);
    ~ZelvoSeparator() override;

    void setOrientation(Qt::Orientation orientation);
    Qt::Orientation orientation() const;

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget = nullptr) override;

protected:
    QSizeF contentSizeHint(Qt::SizeHint which, qreal contentWidth) const override;

private:
    Qt::Orientation m_orientation;
};

#endif
