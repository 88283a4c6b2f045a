#ifndef CERTIFICATEDETAILSWIDGET_H
#define CERTIFICATEDETAILSWIDGET_H

#include "bastracertmanui_global.h"

#include <zelvostylablewidget.h>

#include <QList>

class CertificateItem;
class CertificateItemWidget;
class QGraphicsLinearLayout;

// Everything about one certificate: subject, issuer, validity, serial
// number, SHA-256 and SHA-1 fingerprints, key type and size, key usages and
// purposes; and its related certificates, the issuer chain as far as it is
// found among the certificates of the same file or in the certificate store.
// Tapping a related certificate emits "certificateSelected(CertificateItem*)".
//
// The widget does not own the item it shows. Related certificates found in
// the store are items of the widget: they live until the widget is destroyed
// or shows another certificate.
class BASTRA_CERTMAN_UI_EXPORT CertificateDetailsWidget : public ZelvoStylableWidget
{
    Q_OBJECT

public:
    explicit CertificateDetailsWidget(QGraphicsItem *parent = nullptr);
    ~CertificateDetailsWidget() override;

    void setCertificate(CertificateItem *item);
    CertificateItem *certificate() const;

    // The related certificates shown, nearest issuer first.
    QList<CertificateItem *> relatedCertificates() const;

signals:
    void certificateSelected(CertificateItem *item);

private:
    void clear(CertificateItem *keep);
    void addSection(const QString &caption, const QString &value, const QString &objectName);
    void addRelatedCertificates();

    CertificateItem *m_item;
    QGraphicsWidget *m_content; // rebuilt for each certificate
    QGraphicsLinearLayout *m_layout; // the content's
    QList<CertificateItem *> m_related;
    QList<CertificateItem *> m_owned; // store finds, and a store find shown itself
};

#endif
