#ifndef STOREDCERTIFICATESLOADER_H
#define STOREDCERTIFICATESLOADER_H

#include <QByteArray>
#include <QDBusConnection>
#include <QObject>
#include <QStringList>

#include <memory>
#include <vector>

class CertificateItem;
class QDBusPendingCall;
class QDBusPendingCallWatcher;
class TrustkeepClient;
struct ParseSlice;

// One stored certificate as the service listed it: its item and its DER.
struct StoredCertificate {
    std::unique_ptr<CertificateItem> item;
    QByteArray der;
};

// One run of reading the stored certificates from the service without
// blocking the thread it lives in: LoadCertificatesFromDomains; the listed
// certificates parsed in worker threads, a slice each; then GetPrivateKeyData
// for each certificate that may have a key, asked as soon as its slice is
// parsed, all calls in flight together. finished() comes once, after the last
// answer (or the failure of the listing); deleting the loader abandons the
// run, and work still under way in a worker cleans up after itself.
class StoredCertificatesLoader : public QObject
{
    Q_OBJECT

public:
    StoredCertificatesLoader(const QDBusConnection &bus, QObject *parent = nullptr);
    ~StoredCertificatesLoader() override;

    void start(const QStringList &domains);
    std::vector<StoredCertificate> takeResult();

signals:
    void finished();

private:
    template <typename Handler> void whenAnswered(const QDBusPendingCall &call, Handler handler);
    void listed(QDBusPendingCallWatcher *call);
    void sliceParsed(const std::shared_ptr<ParseSlice> &slice);
    void askKeyData(size_t index);
    void keyDataAnswered(size_t index, QDBusPendingCallWatcher *call);
    void finishWhenDone();

    TrustkeepClient *m_client;
    std::vector<StoredCertificate> m_found;
    int m_pendingSlices;
    int m_pendingKeyCalls;
};

#endif
