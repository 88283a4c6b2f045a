#ifndef TRUSTPANEL_SETTINGSCHANGEPLAN_H
#define TRUSTPANEL_SETTINGSCHANGEPLAN_H

#include <QString>
#include <QStringList>

class CertificateItem;

// What leaving the settings page means for one certificate: the domains it is
// to be in, whether anything really changed and so whether the service must
// be asked, and how the list page and the item follow a successful call.
//
//   SettingsChangePlan plan(*item, purposes, preference);
//   plan.prepare(*item);            // preference and item type, before the call
//   if (plan.callNeeded()) { ...InstallCertificateToDomains(text, plan.added())...
//                            plan.commit(*item); }
class SettingsChangePlan
{
public:
    SettingsChangePlan(const CertificateItem &item, const QStringList &purposes, int preference);

    // The key's new preference; only a certificate with a key takes one.
    bool preferenceChanged() const { return m_preferenceChanged; }
    int preference() const { return m_preference; }
    QString suffix() const { return m_suffix; }
    int itemType() const { return m_itemType; }

    // Every domain the certificate is to be in afterwards, in purpose-table
    // order: the complete list, not only the new ones. This is what is sent.
    QStringList added() const { return m_added; }
    // Domains of purposes given up, in table order; never sent, it only
    // tells whether the certificate leaves somewhere.
    QStringList removed() const { return m_removed; }

    bool realChange() const;
    bool callNeeded() const;

    // After a successful call: the certificate is in no domain any more (its
    // row goes), or it has just been installed (its row comes).
    bool leavesEveryDomain() const { return m_purposes.isEmpty(); }
    bool newlyInstalled() const { return !leavesEveryDomain() && m_oldPurposes.isEmpty(); }

    // Sets the new preference (when it changed) and the item type. Kept even
    // when the call fails: the serialized item carries them to the service.
    void prepare(CertificateItem &item) const;
    // After a successful call: purposes, user-domains flag and stored flag.
    void commit(CertificateItem &item) const;

    // 0 when the purposes name a shared platform domain (the certificate is
    // not only in the user's own domains), else 1.
    static int userDomainsFlag(const QStringList &purposes);

private:
    QStringList m_purposes;
    QStringList m_oldPurposes;
    QStringList m_added;
    QStringList m_removed;
    QString m_suffix;
    int m_itemType;
    int m_preference;
    bool m_preferenceChanged;
};

#endif
