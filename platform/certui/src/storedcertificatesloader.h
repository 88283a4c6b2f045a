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
// blocking the thread it lives in: LoadCertificatesFromDomains, then the
// listed certificates read in worker threads, a slice each (their outlines;
// full items are made later, when asked for). finished() comes once, after
// the last slice (or the failure of the listing), with the rows in the order
// of the slices; deleting the loader abandons the run, and work still under
// way in a worker cleans up after itself. The key facts of the rows are
// asked later, by whoever holds the rows (StoredCertificate::mayHaveKey()).
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
    void sliceRead();
    void gather();

    TrustkeepClient *m_client;
    std::vector<std::shared_ptr<ParseSlice>> m_slices;
    std::vector<StoredCertificate> m_found;
    int m_pendingSlices;
};

#endif
