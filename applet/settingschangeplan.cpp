#include "settingschangeplan.h"

#include "purposetable.h"

#include <certificateitem.h>

SettingsChangePlan::SettingsChangePlan(const CertificateItem &item, const QStringList &purposes, int preference)
    : m_purposes(purposes)
    , m_oldPurposes(item.purposes)
    , m_suffix(Purposes::domainSuffix(item.isCA))
    , m_itemType(item.isCA ? CertificateItem::CaItem : CertificateItem::UserItem)
    , m_preference(item.authPreference)
    , m_preferenceChanged(false)
{
    // A certificate without a key has no preference to change, whatever the
    // page reports.
    if (item.hasKey && item.authPreference != preference) {
        m_preference = preference;
        m_preferenceChanged = true;
    }
    for (const PurposeEntry *entry = purposeTable; entry->domainPrefix; ++entry) {
        const QString prefix = QLatin1String(entry->domainPrefix);
        const QString domain = prefix + m_suffix;
        if (purposes.contains(prefix, Qt::CaseSensitive))
            m_added << domain;
        else if (m_oldPurposes.contains(prefix, Qt::CaseSensitive))
            m_removed << domain;
    }
}

bool SettingsChangePlan::realChange() const
{
    // Entries outside the purpose table (shared domains, trust records) are
    // never sent, but a change in their number still counts.
    return !m_removed.isEmpty() || m_purposes.size() != m_oldPurposes.size();
}

bool SettingsChangePlan::callNeeded() const
{
    return (realChange() || m_preferenceChanged) && !(m_added.isEmpty() && m_removed.isEmpty());
}

void SettingsChangePlan::prepare(CertificateItem &item) const
{
    if (m_preferenceChanged)
        item.authPreference = m_preference;
    item.itemType = m_itemType;
}

void SettingsChangePlan::commit(CertificateItem &item) const
{
    item.userDomains = userDomainsFlag(m_purposes);
    item.purposes = m_purposes;
    item.stored = true;
}

int SettingsChangePlan::userDomainsFlag(const QStringList &purposes)
{
    static const char *const sharedNames[] = { "common", "common-ca", "common-codesigning", "common-codesigning-ca",
                                               "server" };
    for (const char *name : sharedNames) {
        if (purposes.contains(QLatin1String(name), Qt::CaseSensitive))
            return 0;
    }
    return 1;
}
