#ifndef CERTIFICATESETTINGSWIDGET_H
#define CERTIFICATESETTINGSWIDGET_H

#include "bastracertmanui_global.h"

#include <zelvostylablewidget.h>

#include <QList>
#include <QStringList>

class QGraphicsLinearLayout;
class ZelvoButton;
class ZelvoComboBox;

// What a certificate is used for and, for a certificate with a private key,
// how freely programs may have the key. The four purposes show as toggles
// ("purpose_ssl", "purpose_wifi", "purpose_smime", "purpose_codesign"), the
// key's authorization preference as a chooser ("preferenceChooser": no
// action, notify, password prompt).
class BASTRA_CERTMAN_UI_EXPORT CertificateSettingsWidget : public ZelvoStylableWidget
{
    Q_OBJECT

public:
    explicit CertificateSettingsWidget(QGraphicsItem *parent = nullptr);
    ~CertificateSettingsWidget() override;

    // Shows the purpose toggles, on for each purpose id the list holds.
    void purposesDialog(const QStringList &purposes);
    // The same, with the preference chooser set to the preference; a
    // negative (or unknown) preference starts on password prompt (2), so a
    // key is never dropped for want of a choice.
    void purposesAndPreferenceDialog(const QStringList &purposes, int preference);

    // The chosen purpose ids in the order of the purposes shown, followed by
    // the entries of the given list that name no such purpose, unchanged: a
    // page left untouched never looks like a change.
    QStringList getPurposes() const;
    // The chosen preference (0, 1 or 2); -1 when the chooser is not shown.
    int getPreference() const;

private:
    void build(const QStringList &purposes, bool withPreference, int preference);
    void clear();

    QGraphicsWidget *m_content;
    QList<ZelvoButton *> m_toggles;
    ZelvoComboBox *m_chooser;
    QStringList m_otherPurposes;
};

#endif
