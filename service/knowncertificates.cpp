#include "knowncertificates.h"

std::optional<KnownCertificates::Facts> KnownCertificates::find(const QByteArray &der) const
{
    const auto known = m_facts.constFind(der);
    if (known == m_facts.constEnd())
        return std::nullopt;
    return *known;
}

void KnownCertificates::remember(const QByteArray &der, const Facts &facts)
{
    if (m_facts.size() >= maximumEntries)
        m_facts.clear();
    m_facts.insert(der, facts);
}
