#ifndef TRUSTKEEP_CERTIFICATELISTING_H
#define TRUSTKEEP_CERTIFICATELISTING_H

#include <QMetaType>
#include <QString>
#include <QVariantMap>
#include <QVector>

class QDBusArgument;

// The reply of LoadCertificatesFromDomains: Base64 DER text -> domain name,
// one entry per certificate and domain, a text repeated when a certificate is
// listed under several names. Entries stay in the order they were found and
// go onto the bus as they are (a{sv}, repeated keys included) without being
// gathered into a map first; an in-process caller gets the map.
class CertificateListing
{
public:
    // A reply must stay well below the largest message the bus passes on
    // (32 MiB by default): a larger one makes the bus drop the service.
    static const qint64 replyBudget = 16 * 1024 * 1024;

    // Adds an entry while the reply stays within its budget; false once it
    // is full (the first refusal is logged).
    bool add(const QString &text, const QString &domain);
    bool isFull() const { return m_full; }
    int size() const { return m_entries.size(); }

    QVariantMap toMap() const;

    // Makes the type known to the bus layer; once, before the first reply.
    static void registerType();

private:
    friend QDBusArgument &operator<<(QDBusArgument &argument, const CertificateListing &listing);

    struct Entry {
        QString text;
        QString domain;
    };
    QVector<Entry> m_entries;
    qint64 m_size = 0;
    bool m_full = false;
};

QDBusArgument &operator<<(QDBusArgument &argument, const CertificateListing &listing);
const QDBusArgument &operator>>(const QDBusArgument &argument, CertificateListing &listing);

Q_DECLARE_METATYPE(CertificateListing)

#endif
