#ifndef ZELVOBUTTON_H
#define ZELVOBUTTON_H

#include "zelvoglobal.h"

#include "zelvostylablewidget.h"

// A touch button. Tapping it emits clicked(); a checkable button also flips
// its checked state and emits toggled(bool). The view type picks the shape:
// a push button, a switch (text left, switch right) or a check box row.
class ZELVO_EXPORT ZelvoButton : public ZelvoStylableWidget
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
    Q_PROPERTY(bool checkable READ isCheckable WRITE setCheckable)
    Q_PROPERTY(bool checked READ isChecked WRITE setChecked NOTIFY toggled)

public:
    enum ViewType {
        PushButtonType = 0,
        SwitchType = 1,
        CheckboxType = 2
    };
    Q_ENUM(ViewType)

    explicit ZelvoButton(QGraphicsItem *parent = nullptr);
    explicit ZelvoButton(const QString &text, QGraphicsItem *parent = nullptr);
    ~ZelvoButton() override;

    void setText(const QString &text);
    QString text() const;
    QString displayText() const; // translated when the text is a logical id

    void setViewType(ViewType type); // switch and check box make the button checkable
    ViewType viewType() const;

    void setCheckable(bool checkable);
    bool isCheckable() const;
    bool isChecked() const;
    bool isDown() const;

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget = nullptr) override;

public slots:
    void setChecked(bool checked);
    void toggle();
    // Acts as a full tap: toggles a checkable button and emits clicked().
    void click();

signals:
    void pressed();
    void released();
    void clicked();
    void toggled(bool checked);

protected:
    QSizeF contentSizeHint(Qt::SizeHint which, qreal contentWidth) const override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;
    void ungrabMouseEvent(QEvent *event) override;

private:
    QString m_text;
    ViewType m_viewType;
    bool m_checkable;
    bool m_checked;
    bool m_down;
};

#endif
