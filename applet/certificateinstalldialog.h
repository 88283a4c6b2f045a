#ifndef CERTIFICATEINSTALLDIALOG_H
#define CERTIFICATEINSTALLDIALOG_H

#include <plixstylablewidget.h>

#include <QModelIndex>
#include <QModelIndexList>

class CertificateFileWidget;
class CertificateItem;
class QGraphicsLinearLayout;

// The certificates of one chosen file, to pick from for installation. A
// details request reports the row and asks for the details page (5); the
// picked rows go through the validity screening and the accepted ones are
// reported and handed to the settings page (1); cancel closes the page.
class CertificateInstallDialog : public PlixStylableWidget
{
    Q_OBJECT

public:
    explicit CertificateInstallDialog(QGraphicsWidget *parent = nullptr);
    ~CertificateInstallDialog() override;

    // The row of one of the file's certificates; invalid for any other.
    QModelIndex index(CertificateItem *item) const;

    CertificateFileWidget *fileWidget() const;

signals:
    void certificateSelected(const QModelIndex &mi);
    void installCertificates(const QModelIndexList &mil);

public slots:
    void openSettingsPage(const QModelIndexList &mil);
    void operationCancelled();
    // Loads the file of the file-list row; false when it cannot be shown.
    bool certificateFileSelected(const QModelIndex &mi);
    void openDetailsPage(const QModelIndex &mi);

private:
    CertificateFileWidget *m_fileWidget;
    QGraphicsLinearLayout *m_layout;
};

#endif
