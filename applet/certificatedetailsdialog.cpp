#include "certificatedetailsdialog.h"

#include <certificatedetailswidget.h>
#include <validityscreening.h>

#include <QGraphicsLinearLayout>

CertificateDetailsDialog::CertificateDetailsDialog(unsigned int level, QGraphicsWidget *parent)
    : PlixStylableWidget(parent)
    , m_layout(nullptr)
    , m_details(new CertificateDetailsWidget)
    , m_level(level)
{
    setObjectName(QStringLiteral("certificateDetailsPage"));
    connect(m_details, SIGNAL(certificateSelected(CertificateItem *)), this,
            SLOT(certificateSelected(CertificateItem *)));
    m_layout = new QGraphicsLinearLayout(Qt::Vertical);
    m_layout->addItem(m_details);
    setLayout(m_layout);
}

CertificateDetailsDialog::~CertificateDetailsDialog() = default;

bool CertificateDetailsDialog::back()
{
    emit detailsDone();
    return true;
}

unsigned int CertificateDetailsDialog::level() const
{
    return m_level;
}

CertificateDetailsWidget *CertificateDetailsDialog::detailsWidget() const
{
    return m_details;
}

void CertificateDetailsDialog::certificateDeleted()
{
    changeWidget(0);
}

void CertificateDetailsDialog::certificateSelected(const QModelIndex &mi)
{
    m_details->setCertificate(ValidityScreening::itemAt(mi));
}

// The applet records the item before the page for it is asked for.
void CertificateDetailsDialog::certificateSelected(CertificateItem *ci)
{
    emit certificateItemSelected(ci);
    changeWidget(int(m_level) + 6);
}
