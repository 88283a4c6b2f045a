#ifndef CERTIFICATEDETAILSDIALOG_H
#define CERTIFICATEDETAILSDIALOG_H

#include <plixstylablewidget.h>

#include <QModelIndex>

class CertificateDetailsWidget;
class CertificateItem;
class QGraphicsLinearLayout;

// Everything about one certificate, and its related certificates. Opening a
// related certificate reports it ("certificateItemSelected") and asks for the
// details page one level deeper (level + 6); leaving the page reports
// "detailsDone()".
class CertificateDetailsDialog : public PlixStylableWidget
{
    Q_OBJECT

public:
    explicit CertificateDetailsDialog(unsigned int level, QGraphicsWidget *parent = nullptr);
    ~CertificateDetailsDialog() override;

    bool back() override;

    unsigned int level() const;
    CertificateDetailsWidget *detailsWidget() const;

signals:
    void detailsDone();
    void certificateItemSelected(CertificateItem *ci);

public slots:
    void certificateDeleted();
    void certificateSelected(const QModelIndex &mi);
    void certificateSelected(CertificateItem *ci);

private:
    QGraphicsLinearLayout *m_layout;
    CertificateDetailsWidget *m_details;
    unsigned int m_level;
};

#endif
