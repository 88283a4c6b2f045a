#ifndef TRUSTKEEP_KNOWNCERTIFICATES_H
#define TRUSTKEEP_KNOWNCERTIFICATES_H

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>

#include <optional>

// What the server check needs of a certificate it has already parsed and
// accepted: the name its trust records are under and its expiry. Both follow
// from the DER image alone, so a program that checks the same server
// certificate again is answered without parsing it again; the image is the
// key, byte for byte. The certificate is parsed as before whenever a question
// has to be asked.
class KnownCertificates
{
public:
    struct Facts {
        QString lookupName;
        QDateTime expiry; // null when the certificate gives none
    };

    std::optional<Facts> find(const QByteArray &der) const;
    void remember(const QByteArray &der, const Facts &facts);

    // Few programs check many certificates; beyond this many the set starts
    // again rather than grow.
    static const int maximumEntries = 128;

private:
    QHash<QByteArray, Facts> m_facts;
};

#endif
