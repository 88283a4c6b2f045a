#ifndef ZELVOSTYLABLEWIDGET_H
#define ZELVOSTYLABLEWIDGET_H

#include "zelvoglobal.h"

#include "zelvostyle.h"

#include <QGraphicsWidget>

// Base of every toolkit widget: a QGraphicsWidget with a style name that picks
// its look from the theme. On its own it paints the style's background and
// border and is as large as the style's minimum and preferred sizes say, which
// makes it a themed spacer ("CommonSpacer") or a plain panel.
class ZELVO_EXPORT ZelvoStylableWidget : public QGraphicsWidget
{
    Q_OBJECT
    Q_PROPERTY(QString styleName READ styleName WRITE setStyleName)

public:
    explicit ZelvoStylableWidget(QGraphicsItem *parent = nullptr);
    ~ZelvoStylableWidget() override;

    void setStyleName(const QString &styleName);
    QString styleName() const;

    // The resolved style for this widget's class and style name.
    const ZelvoStyle &style() const;

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget = nullptr) override;

protected:
    // Called after the style name (or the theme) changed; the default
    // re-applies size hints and repaints.
    virtual void styleChanged();

    // The rectangle inside margins, where the background is painted.
    QRectF backgroundRect() const;
    // The rectangle inside margins and padding, where content goes.
    QRectF contentRect() const;
    // Size of the content alone for the given content width (-1: unconstrained);
    // sizeHint adds padding and margins and honours the style's sizes.
    virtual QSizeF contentSizeHint(Qt::SizeHint which, qreal contentWidth) const;

    QSizeF sizeHint(Qt::SizeHint which, const QSizeF &constraint = QSizeF()) const override;
    void polishEvent() override;
    void paintBackground(QPainter *painter, bool pressed = false, bool checked = false) const;

private:
    QString m_styleName;
    mutable ZelvoStyle m_style;
    mutable int m_styleGeneration;
};

#endif
