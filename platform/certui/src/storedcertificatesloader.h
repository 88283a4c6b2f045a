#ifndef STOREDCERTIFICATESLOADER_H
#define STOREDCERTIFICATESLOADER_H

#include <QByteArray>
#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>

#include <memory>
#include <vector>

class CertificateItem;
class QDBusPendingCallWatcher;
class TrustkeepClient;

// One stored certificate as the service listed it: its item and its DER.
struct StoredCertificate {
    std::unique_ptr<CertificateItem> item;
    QByteArray der;
};

// One run of reading the stored certificates from the service, without
// blocking: LoadCertificatesFromDomains, then GetPrivateKeyData for each
// certificate that may have a key, all calls in flight together. finished()
// comes once, after the last answer (or the first failure of the listing);
// deleting the loader abandons the run and its answers.
class StoredCertificatesLoader : public QObject
{
    Q_OBJECT

public:
    StoredCertificatesLoader(const QDBusConnection &bus, QObject *parent = nullptr);
    ~StoredCertificatesLoader() override;

    void start(const QStringList &domains);
    std::vector<StoredCertificate> takeResult();

    // Groups a listing (Base64 DER -> listed name, keys repeated) into one
    // certificate per DER, purposes and flags set; entries that are no
    // certificate are logged and left out.
    static std::vector<StoredCertificate> group(const QVariantMap &listing);

signals:
    void finished();

private:
    void listed(QDBusPendingCallWatcher *call);
    void askKeyData(int index);
    void keyDataAnswered(int index, QDBusPendingCallWatcher *call);
    void finishWhenDone();

    TrustkeepClient *m_client;
    std::vector<StoredCertificate> m_found;
    int m_pendingKeyCalls;
};

#endif
