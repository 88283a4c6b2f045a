#ifndef CERTIFICATEITEMWIDGET_H
#define CERTIFICATEITEMWIDGET_H

#include "bastracertmanui_global.h"

#include <zelvostylablewidget.h>

class CertificateItem;
class ZelvoLabel;

// A certificate at a glance: its name, its issuer and its validity, as a
// tappable row. A tap emits "clickedWithCI(CertificateItem*)" with the item
// shown. The widget does not own the item; the item must outlive it (or be
// replaced with setCertificate(nullptr) first).
class BASTRA_CERTMAN_UI_EXPORT CertificateItemWidget : public ZelvoStylableWidget
{
    Q_OBJECT
    // The certificate's name, by which automation finds the row.
    Q_PROPERTY(QString text READ text)

public:
    explicit CertificateItemWidget(QGraphicsItem *parent = nullptr);
    ~CertificateItemWidget() override;

    void setCertificate(CertificateItem *item);
    CertificateItem *certificate() const;

    QString text() const;

public slots:
    // Acts as a tap.
    void click();

signals:
    void clickedWithCI(CertificateItem *item);
    void clicked();

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget = nullptr) override;

private:
    CertificateItem *m_item;
    QString m_text;
    ZelvoLabel *m_name;
    ZelvoLabel *m_issuer;
    ZelvoLabel *m_validity;
    bool m_down;
};

#endif
