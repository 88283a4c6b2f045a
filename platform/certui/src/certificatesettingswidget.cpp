#include "certificatesettingswidget.h"

#include "purposelist.h"
#include "uitext.h"

#include <zelvobutton.h>
#include <zelvocombobox.h>
#include <zelvolabel.h>

#include <QGraphicsLinearLayout>

namespace {

const int passwordPrompt = 2;

bool isListedPurpose(const QString &id)
{
    for (const Purpose &purpose : purposeList)
        if (id == QLatin1String(purpose.prefix))
            return true;
    return false;
}

ZelvoLabel *groupHeader(const QString &text)
{
    auto *label = new ZelvoLabel(text);
    label->setStyleName(QStringLiteral("CommonGroupHeaderInverted"));
    label->setWordWrap(true);
    return label;
}

} // namespace

CertificateSettingsWidget::CertificateSettingsWidget(QGraphicsItem *parent)
    : ZelvoStylableWidget(parent)
    , m_content(nullptr)
    , m_chooser(nullptr)
{
    setObjectName(QStringLiteral("certificateSettingsWidget"));
    auto *outer = new QGraphicsLinearLayout(Qt::Vertical, this);
    outer->setContentsMargins(0, 0, 0, 0);
}

CertificateSettingsWidget::~CertificateSettingsWidget() = default;

void CertificateSettingsWidget::purposesDialog(const QStringList &purposes)
{
    build(purposes, false, -1);
}

void CertificateSettingsWidget::purposesAndPreferenceDialog(const QStringList &purposes, int preference)
{
    build(purposes, true, preference);
}

void CertificateSettingsWidget::clear()
{
    if (m_content) {
        static_cast<QGraphicsLinearLayout *>(layout())->removeItem(m_content);
        m_content->hide();
        m_content->deleteLater();
    }
    m_content = nullptr;
    m_toggles.clear();
    m_chooser = nullptr;
    m_otherPurposes.clear();
}

void CertificateSettingsWidget::build(const QStringList &purposes, bool withPreference, int preference)
{
    clear();
    m_content = new QGraphicsWidget(this);
    auto *column = new QGraphicsLinearLayout(Qt::Vertical, m_content);
    column->setContentsMargins(0, 0, 0, 0);

    column->addItem(groupHeader(uiText("lgd_certman_settings_purposes", "Use this certificate for")));
    for (const Purpose &purpose : purposeList) {
        const QString id = QString::fromLatin1(purpose.prefix);
        auto *toggle = new ZelvoButton(uiText(purpose.labelId, purpose.fallback));
        toggle->setViewType(ZelvoButton::SwitchType);
        toggle->setObjectName(QStringLiteral("purpose_") + id);
        toggle->setChecked(purposes.contains(id));
        column->addItem(toggle);
        m_toggles << toggle;
    }
    for (const QString &entry : purposes)
        if (!isListedPurpose(entry))
            m_otherPurposes << entry;

    if (withPreference) {
        column->addItem(groupHeader(uiText("lgd_certman_settings_preference", "Private key use")));
        m_chooser = new ZelvoComboBox;
        m_chooser->setObjectName(QStringLiteral("preferenceChooser"));
        m_chooser->setTitle(uiText("lgd_certman_settings_preference_title", "When a program asks for the key"));
        m_chooser->addItem(uiText("lgd_certman_noaction", "No action"));
        m_chooser->addItem(uiText("lgd_certman_notifyonly", "Notify only"));
        m_chooser->addItem(uiText("lgd_certman_passwordprompt", "Password prompt"));
        m_chooser->setCurrentIndex(preference >= 0 && preference <= passwordPrompt ? preference : passwordPrompt);
        column->addItem(m_chooser);
    }
    column->addStretch(1);
    static_cast<QGraphicsLinearLayout *>(layout())->addItem(m_content);
}

QStringList CertificateSettingsWidget::getPurposes() const
{
    QStringList chosen;
    for (int i = 0; i < m_toggles.size(); ++i)
        if (m_toggles.at(i)->isChecked())
            chosen << QString::fromLatin1(purposeList[i].prefix);
    return chosen + m_otherPurposes;
}

int CertificateSettingsWidget::getPreference() const
{
    return m_chooser ? m_chooser->currentIndex() : -1;
}
