#include "storedcertificatesloader.h"

#include "platformlog.h"
#include "storeddomains.h"

#include <trustkeepclient.h>
#include <trustkeepservice.h>

#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QFutureWatcher>
#include <QHash>
#include <QThread>
#include <QtConcurrent>

#include <openssl/crypto.h>
#include <openssl/x509.h>

// A share of the listed certificates, read in a worker thread. Whoever
// holds it last frees what nobody took.
struct ParseSlice {
    QStringList texts; // Base64 DER, as listed
    QList<QStringList> purposes; // per text
    std::vector<StoredCertificate> read; // per text
    std::vector<bool> readable; // per text; false: no certificate

    void parse();
};

namespace {

QString listedName(const QVariant &value)
{
    // The listing's values are variants holding the name; a demarshalled
    // dictionary may still wrap them once more.
    if (value.userType() == qMetaTypeId<QDBusVariant>())
        return value.value<QDBusVariant>().variant().toString();
    return value.toString();
}

// A certificate in one of the user's own "-user" domains may have been
// installed with its private key (that is where the service looks for a
// key's certificate); shared roots and trust records never are.
bool mayHaveKey(const QStringList &listedNames)
{
    for (const QString &name : listedNames) {
        if (name.endsWith(QLatin1String("-user")) && StoredDomains::isPurposePrefix(StoredDomains::purposeOf(name)))
            return true;
    }
    return false;
}

// Cuts [from, to) of the texts into slices of about `size` each.
void cutInto(std::vector<std::shared_ptr<ParseSlice>> *slices, const QStringList &texts,
             const QList<QStringList> &names, int from, int to, int size)
{
    const int count = (to - from + size - 1) / size;
    for (int i = 0; i < count; ++i) {
        auto slice = std::make_shared<ParseSlice>();
        const int first = from + int(qint64(to - from) * i / count);
        const int last = from + int(qint64(to - from) * (i + 1) / count);
        slice->texts = texts.mid(first, last - first);
        slice->purposes = names.mid(first, last - first);
        slices->push_back(slice);
    }
}

// The listing holds one entry per certificate and domain; the same Base64
// text comes once for each domain listing it. Cut into slices to read in
// worker threads.
std::vector<std::shared_ptr<ParseSlice>> slicesOf(const QVariantMap &listing)
{
    QStringList texts;
    QList<QStringList> names;
    QHash<QString, int> known;
    for (auto entry = listing.constBegin(); entry != listing.constEnd(); ++entry) {
        auto found = known.constFind(entry.key());
        if (found == known.constEnd()) {
            found = known.insert(entry.key(), texts.size());
            texts << entry.key();
            names << QStringList();
        }
        QStringList &listedUnder = names[found.value()];
        const QString name = listedName(entry.value());
        if (!listedUnder.contains(name))
            listedUnder << name;
    }
    // Those that may have a key first, in small slices: their key questions
    // go out at once, and the service answers them while the rest are still
    // being read. The rest in twice as many slices as threads.
    QStringList ordered;
    QList<QStringList> orderedNames;
    int withKey = 0;
    for (const bool keyFirst : { true, false }) {
        for (int i = 0; i < texts.size(); ++i) {
            if (mayHaveKey(names.at(i)) == keyFirst) {
                ordered << texts.at(i);
                orderedNames << names.at(i);
            }
        }
        if (keyFirst)
            withKey = ordered.size();
    }
    const int keySliceSize = 32;
    const int wanted = 2 * qBound(1, QThread::idealThreadCount(), 8);
    const int restSliceSize = qMax(1, (ordered.size() - withKey + wanted - 1) / wanted);
    std::vector<std::shared_ptr<ParseSlice>> slices;
    cutInto(&slices, ordered, orderedNames, 0, withKey, keySliceSize);
    cutInto(&slices, ordered, orderedNames, withKey, ordered.size(), restSliceSize);
    return slices;
}

} // namespace

void ParseSlice::parse()
{
    read.resize(size_t(texts.size()));
    readable.resize(size_t(texts.size()));
    {
        CurveCache curves;
        for (int i = 0; i < texts.size(); ++i)
            readable[size_t(i)] = read[size_t(i)].read(QByteArray::fromBase64(texts.at(i).toLatin1()), &curves);
    }
    // The pool thread may outlive the library's clean-up at exit: release
    // OpenSSL's per-thread state now, the thread is done with OpenSSL.
    OPENSSL_thread_stop();
}

StoredCertificatesLoader::StoredCertificatesLoader(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_client(
          new TrustkeepClient(QLatin1String(TrustkeepService::name), QLatin1String(TrustkeepService::path), bus, this))
    , m_pendingSlices(0)
    , m_pendingKeyCalls(0)
{
}

StoredCertificatesLoader::~StoredCertificatesLoader() = default;

template <typename Handler> void StoredCertificatesLoader::whenAnswered(const QDBusPendingCall &call, Handler handler)
{
    auto *watcher = new QDBusPendingCallWatcher(call, this);
    if (watcher->isFinished()) {
        // A call that could not even be sent (no bus) is answered at once,
        // and its watcher may never say so: take the answer from the event
        // loop, as any other.
        QMetaObject::invokeMethod(
            this, [watcher, handler] { handler(watcher); }, Qt::QueuedConnection);
        return;
    }
    connect(watcher, &QDBusPendingCallWatcher::finished, this, handler);
}

void StoredCertificatesLoader::start(const QStringList &domains)
{
    whenAnswered(m_client->LoadCertificatesFromDomains(domains),
                 [this](QDBusPendingCallWatcher *call) { listed(call); });
}

std::vector<StoredCertificate> StoredCertificatesLoader::takeResult()
{
    return std::move(m_found);
}

void StoredCertificatesLoader::listed(QDBusPendingCallWatcher *call)
{
    call->deleteLater();
    const QDBusPendingReply<QVariantMap> reply = *call;
    if (reply.isError()) {
        PLATFORM_LOG_ERROR("%s: no certificates from the service: %s: %s", "populate",
                           qUtf8Printable(reply.error().name()), qUtf8Printable(reply.error().message()));
        emit finished();
        return;
    }
    // Reading the certificates is the costly part of the whole run (even
    // without decoding their keys): it goes to worker threads, so the user
    // interface keeps going.
    for (const std::shared_ptr<ParseSlice> &slice : slicesOf(reply.value())) {
        ++m_pendingSlices;
        auto *watcher = new QFutureWatcher<void>(this);
        connect(watcher, &QFutureWatcher<void>::finished, this, [this, watcher, slice] {
            watcher->deleteLater();
            sliceRead(slice);
        });
        watcher->setFuture(QtConcurrent::run([slice] { slice->parse(); }));
    }
    finishWhenDone();
}

void StoredCertificatesLoader::sliceRead(const std::shared_ptr<ParseSlice> &slice)
{
    --m_pendingSlices;
    for (int i = 0; i < slice->texts.size(); ++i) {
        const QStringList &listedUnder = slice->purposes.at(i);
        if (!slice->readable[size_t(i)]) {
            PLATFORM_LOG_ERROR("%s: left out an entry of %s that is no certificate", "populate",
                               qUtf8Printable(listedUnder.join(QLatin1Char(' '))));
            continue;
        }
        StoredCertificate &certificate = slice->read[size_t(i)];
        for (const QString &name : listedUnder)
            certificate.addPurpose(StoredDomains::purposeOf(name));
        m_found.push_back(std::move(certificate));
        if (mayHaveKey(listedUnder))
            askKeyData(m_found.size() - 1);
    }
    finishWhenDone();
}

void StoredCertificatesLoader::askKeyData(size_t index)
{
    ++m_pendingKeyCalls;
    whenAnswered(m_client->GetPrivateKeyData(m_found[index].outline().keyId),
                 [this, index](QDBusPendingCallWatcher *call) { keyDataAnswered(index, call); });
}

void StoredCertificatesLoader::keyDataAnswered(size_t index, QDBusPendingCallWatcher *call)
{
    call->deleteLater();
    --m_pendingKeyCalls;
    const QDBusPendingReply<int> reply = *call;
    StoredCertificate &certificate = m_found[index];
    if (reply.isError()) {
        // The certificate is still listed; only its key facts are unknown.
        PLATFORM_LOG_ERROR("%s: no key data for %s: %s", "populate", qUtf8Printable(certificate.outline().keyId),
                           qUtf8Printable(reply.error().message()));
    } else {
        certificate.setKeyPreference(reply.value());
    }
    finishWhenDone();
}

void StoredCertificatesLoader::finishWhenDone()
{
    if (m_pendingSlices == 0 && m_pendingKeyCalls == 0)
        emit finished();
}
