#include "certificateinstalldialog.h"

#include <certificatefile.h>
#include <certificatefilemodel.h>
#include <certificatefilewidget.h>
#include <validityscreening.h>

#include <QGraphicsLinearLayout>

CertificateInstallDialog::CertificateInstallDialog(QGraphicsWidget *parent)
    : PlixStylableWidget(parent)
    , m_fileWidget(new CertificateFileWidget)
    , m_layout(nullptr)
{
    setObjectName(QStringLiteral("certificateInstallPage"));
    connect(m_fileWidget, SIGNAL(certificateSelected(QModelIndex)), this, SLOT(openDetailsPage(QModelIndex)));
    connect(m_fileWidget, SIGNAL(installCertificates(QModelIndexList)), this, SLOT(openSettingsPage(QModelIndexList)));
    connect(m_fileWidget, SIGNAL(operationCancelled()), this, SLOT(operationCancelled()));
    m_layout = new QGraphicsLinearLayout(Qt::Vertical);
    m_layout->addItem(m_fileWidget);
    setLayout(m_layout);
}

CertificateInstallDialog::~CertificateInstallDialog() = default;

QModelIndex CertificateInstallDialog::index(CertificateItem *item) const
{
    return m_fileWidget->index(item);
}

CertificateFileWidget *CertificateInstallDialog::fileWidget() const
{
    return m_fileWidget;
}

bool CertificateInstallDialog::certificateFileSelected(const QModelIndex &mi)
{
    auto *file = mi.data(CertificateFileModel::FileRole).value<CertificateFile *>();
    // No file at the index (a stale or foreign one) is a file that cannot be
    // shown, not a question for the file widget.
    return file && m_fileWidget->setFile(file);
}

void CertificateInstallDialog::openDetailsPage(const QModelIndex &mi)
{
    emit certificateSelected(mi);
    changeWidget(5);
}

void CertificateInstallDialog::operationCancelled()
{
    closePage();
}

void CertificateInstallDialog::openSettingsPage(const QModelIndexList &mil)
{
    // The applet judges a certificate by the item's own check of its times.
    const ValidityScreening screening(ValidityScreening::judgeByCheckTime);
    QModelIndexList accepted;
    if (!screening.screen(mil, accepted) || accepted.isEmpty())
        return;
    emit installCertificates(accepted);
    changeWidget(1);
}
