#define TK_LOG_SOURCE "dbusservice"

#include "certificatelisting.h"

#include <log.h>

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusVariant>

namespace {

// What one dictionary entry costs on the wire besides its two texts.
const qint64 entryOverhead = 32;

} // namespace

bool CertificateListing::add(const QString &text, const QString &domain)
{
    const qint64 cost = 2 * (qint64(text.size()) + domain.size()) + entryOverhead;
    if (m_full || m_size + cost > replyBudget) {
        if (!m_full)
            TK_LOG_ERROR("%s: the reply would exceed %lld bytes; the remaining certificates are left out",
                         "LoadCertificatesFromDomains", static_cast<long long>(replyBudget));
        m_full = true;
        return false;
    }
    m_size += cost;
    m_entries.append(Entry{ text, domain });
    return true;
}

QVariantMap CertificateListing::toMap() const
{
    QVariantMap map;
    for (const Entry &entry : m_entries)
        map.insertMulti(entry.text, entry.domain);
    return map;
}

void CertificateListing::registerType()
{
    qDBusRegisterMetaType<CertificateListing>();
}

QDBusArgument &operator<<(QDBusArgument &argument, const CertificateListing &listing)
{
    argument.beginMap(QVariant::String, qMetaTypeId<QDBusVariant>());
    for (const CertificateListing::Entry &entry : listing.m_entries) {
        argument.beginMapEntry();
        argument << entry.text << QDBusVariant(entry.domain);
        argument.endMapEntry();
    }
    argument.endMap();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, CertificateListing &listing)
{
    listing = CertificateListing();
    argument.beginMap();
    while (!argument.atEnd()) {
        QString text;
        QDBusVariant domain;
        argument.beginMapEntry();
        argument >> text >> domain;
        argument.endMapEntry();
        listing.add(text, domain.variant().toString());
    }
    argument.endMap();
    return argument;
}
