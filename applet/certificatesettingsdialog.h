#ifndef CERTIFICATESETTINGSDIALOG_H
#define CERTIFICATESETTINGSDIALOG_H

#include <plixstylablewidget.h>

#include <QList>
#include <QModelIndex>
#include <QStringList>

class CertificateItem;
class CertificateSettingsWidget;
class QGraphicsLinearLayout;

// The purposes of one or more certificates and, when one has a private key,
// the key's authorization preference. The choice is reported when the user
// leaves the page ("newSettings(QStringList,int)").
class CertificateSettingsDialog : public PlixStylableWidget
{
    Q_OBJECT

public:
    explicit CertificateSettingsDialog(QGraphicsWidget *parent = nullptr);
    ~CertificateSettingsDialog() override;

    // Offers the purposes of the first certificate (all four when it has
    // none) and, once a certificate with a key has come, the preference of
    // the last certificate from that one on.
    void setCertificates(const QList<QModelIndex> &indexes);
    QList<CertificateItem *> certificates() const;

    bool back() override;

    CertificateSettingsWidget *settingsWidget() const;

signals:
    void newSettings(QStringList purposes, int idx);

private:
    QGraphicsLinearLayout *m_layout;
    CertificateSettingsWidget *m_settings;
    QList<CertificateItem *> m_items;
};

#endif
