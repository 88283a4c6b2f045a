#include "certificatesettingsdialog.h"

#include <certificateitem.h>
#include <certificatesettingswidget.h>
#include <purposetable.h>
#include <validityscreening.h>

#include <QGraphicsLinearLayout>

namespace {

QStringList allPurposes()
{
    QStringList purposes;
    for (const PurposeEntry *entry = purposeTable; entry->domainPrefix; ++entry)
        purposes << QLatin1String(entry->domainPrefix);
    return purposes;
}

} // namespace

CertificateSettingsDialog::CertificateSettingsDialog(QGraphicsWidget *parent)
    : PlixStylableWidget(parent)
    , m_layout(nullptr)
    , m_settings(new CertificateSettingsWidget)
{
    setObjectName(QStringLiteral("certificateSettingsPage"));
    m_layout = new QGraphicsLinearLayout(Qt::Vertical);
    m_layout->addItem(m_settings);
    setLayout(m_layout);
}

CertificateSettingsDialog::~CertificateSettingsDialog() = default;

void CertificateSettingsDialog::setCertificates(const QList<QModelIndex> &indexes)
{
    QStringList purposes;
    bool keySeen = false;
    int preference = -1;
    for (const QModelIndex &index : indexes) {
        CertificateItem *item = ValidityScreening::itemAt(index);
        // An index that carries no certificate has nothing to offer.
        if (!item)
            continue;
        m_items << item;
        if (purposes.isEmpty()) {
            purposes = item->purposes;
            if (purposes.isEmpty())
                purposes = allPurposes();
        }
        if (keySeen || item->hasKey) {
            keySeen = true;
            preference = item->authPreference;
        }
    }
    if (keySeen)
        m_settings->purposesAndPreferenceDialog(purposes, preference);
    else
        m_settings->purposesDialog(purposes);
}

QList<CertificateItem *> CertificateSettingsDialog::certificates() const
{
    return m_items;
}

bool CertificateSettingsDialog::back()
{
    emit newSettings(m_settings->getPurposes(), m_settings->getPreference());
    return true;
}

CertificateSettingsWidget *CertificateSettingsDialog::settingsWidget() const
{
    return m_settings;
}
