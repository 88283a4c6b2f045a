#ifndef ZELVOBANNER_H
#define ZELVOBANNER_H

#include "zelvoglobal.h"

#include "zelvoscenewindow.h"

class QTimer;

// A short notice at the top of the window ("InformationBanner"). It goes away
// by itself after disappearTimeout() (3 s), or when tapped. A new banner
// replaces one still on display. Usually shown as
//   banner->appear(ZelvoApplication::activeWindow(), ZelvoSceneWindow::DestroyWhenDone);
class ZELVO_EXPORT ZelvoBanner : public ZelvoSceneWindow
{
    Q_OBJECT
    Q_PROPERTY(QString title READ title WRITE setTitle)
    Q_PROPERTY(QString text READ title)

public:
    static const int defaultDisappearTimeout = 3000;

    explicit ZelvoBanner(QGraphicsItem *parent = nullptr);
    ~ZelvoBanner() override;

    void setTitle(const QString &title); // a logical id is shown translated
    QString title() const;
    void setSubtitle(const QString &subtitle);
    QString subtitle() const;

    void setDisappearTimeout(int milliseconds); // 0: stays until tapped
    int disappearTimeout() const;

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget = nullptr) override;

protected:
    Layer layer() const override;
    void aboutToAppear() override;
    void aboutToDisappear() override;
    QSizeF contentSizeHint(Qt::SizeHint which, qreal contentWidth) const override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;

private:
    QString m_title;
    QString m_subtitle;
    int m_timeout;
    QTimer *m_timer;
};

#endif
