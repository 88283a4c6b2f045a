#ifndef STOREDCERTIFICATESLOADER_H
#define STOREDCERTIFICATESLOADER_H

#include "storedcertificate.h"

#include <QDBusConnection>
#include <QObject>
#include <QStringList>

#include <memory>
#include <vector>

class QDBusPendingCall;
class QDBusPendingCallWatcher;
class TrustkeepClient;
struct ParseSlice;

// One run of reading the stored certificates from the service without
// blocking the thread it lives in: LoadCertificatesFromDomains; the listed
// certificates read in worker threads, a slice each (their outlines; full
// items are made later, when asked for); then GetPrivateKeyData
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
    void sliceRead(const std::shared_ptr<ParseSlice> &slice);
    void askKeyData(size_t index);
    void keyDataAnswered(size_t index, QDBusPendingCallWatcher *call);
    void finishWhenDone();

    TrustkeepClient *m_client;
    std::vector<StoredCertificate> m_found;
    int m_pendingSlices;
    int m_pendingKeyCalls;
};

#endif
