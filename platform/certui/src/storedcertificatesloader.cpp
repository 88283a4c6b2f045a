#include "storedcertificatesloader.h"

#include "certificateitem.h"
#include "opensslowners.h"
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

// A share of the listed certificates, parsed in a worker thread. Whoever
// holds it last frees what nobody took.
struct ParseSlice {
    QStringList texts; // Base64 DER, as listed
    QList<QStringList> purposes; // per text
    std::vector<StoredCertificate> parsed; // per text; null item: no certificate

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

std::unique_ptr<CertificateItem> itemFromDer(const QByteArray &der)
{
    const unsigned char *cursor = reinterpret_cast<const unsigned char *>(der.constData());
    const OwnedX509 parsed(der.isEmpty() ? nullptr : d2i_X509(nullptr, &cursor, der.size()));
    if (!parsed)
        return nullptr;
    auto item = std::make_unique<CertificateItem>();
    const bool taken = item->setCertificate(parsed.get());
    return taken ? std::move(item) : nullptr;
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

// The listing holds one entry per certificate and domain; the same Base64
// text comes once for each domain listing it. Cut into as many slices as
// there are threads to parse them.
std::vector<std::shared_ptr<ParseSlice>> slicesOf(const QVariantMap &listing)
{
    // Smaller slices than threads: the key questions of the first slice go
    // out while later ones are still being parsed.
    const int wanted = 2 * qBound(1, QThread::idealThreadCount(), 8);
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
    std::vector<std::shared_ptr<ParseSlice>> slices;
    const int count = qMin(texts.size(), wanted);
    for (int i = 0; i < count; ++i) {
        auto slice = std::make_shared<ParseSlice>();
        const int from = int(qint64(texts.size()) * i / count);
        const int to = int(qint64(texts.size()) * (i + 1) / count);
        slice->texts = texts.mid(from, to - from);
        slice->purposes = names.mid(from, to - from);
        slices.push_back(slice);
    }
    return slices;
}

} // namespace

void ParseSlice::parse()
{
    parsed.resize(size_t(texts.size()));
    for (int i = 0; i < texts.size(); ++i) {
        StoredCertificate &certificate = parsed[size_t(i)];
        certificate.der = QByteArray::fromBase64(texts.at(i).toLatin1());
        certificate.item = itemFromDer(certificate.der);
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
    // Parsing certificates is the costly part of the whole run (OpenSSL
    // decodes each public key): it goes to worker threads, so the user
    // interface keeps going.
    for (const std::shared_ptr<ParseSlice> &slice : slicesOf(reply.value())) {
        ++m_pendingSlices;
        auto *watcher = new QFutureWatcher<void>(this);
        connect(watcher, &QFutureWatcher<void>::finished, this, [this, watcher, slice] {
            watcher->deleteLater();
            sliceParsed(slice);
        });
        watcher->setFuture(QtConcurrent::run([slice] { slice->parse(); }));
    }
    finishWhenDone();
}

void StoredCertificatesLoader::sliceParsed(const std::shared_ptr<ParseSlice> &slice)
{
    --m_pendingSlices;
    for (int i = 0; i < slice->texts.size(); ++i) {
        StoredCertificate &parsed = slice->parsed[size_t(i)];
        const QStringList &listedUnder = slice->purposes.at(i);
        if (!parsed.item) {
            PLATFORM_LOG_ERROR("%s: left out an entry of %s that is no certificate", "populate",
                               qUtf8Printable(listedUnder.join(QLatin1Char(' '))));
            continue;
        }
        CertificateItem &item = *parsed.item;
        for (const QString &name : listedUnder) {
            const QString purpose = StoredDomains::purposeOf(name);
            if (!item.purposes.contains(purpose))
                item.purposes << purpose;
        }
        item.stored = true;
        item.userDomains = StoredDomains::userDomainsFlag(item.purposes);
        m_found.push_back(std::move(parsed));
        if (mayHaveKey(listedUnder))
            askKeyData(m_found.size() - 1);
    }
    finishWhenDone();
}

void StoredCertificatesLoader::askKeyData(size_t index)
{
    ++m_pendingKeyCalls;
    whenAnswered(m_client->GetPrivateKeyData(m_found[index].item->keyId),
                 [this, index](QDBusPendingCallWatcher *call) { keyDataAnswered(index, call); });
}

void StoredCertificatesLoader::keyDataAnswered(size_t index, QDBusPendingCallWatcher *call)
{
    call->deleteLater();
    --m_pendingKeyCalls;
    const QDBusPendingReply<int> reply = *call;
    CertificateItem &item = *m_found[index].item;
    if (reply.isError()) {
        // The certificate is still listed; only its key facts are unknown.
        PLATFORM_LOG_ERROR("%s: no key data for %s: %s", "populate", qUtf8Printable(item.keyId),
                           qUtf8Printable(reply.error().message()));
    } else {
        // The service answers the key's preference, or -1 when it keeps no
        // key for the certificate. A recorded value above 2 is handed out
        // under a password like 2, so it shows as 2.
        const int preference = reply.value();
        item.hasKey = preference >= 0;
        item.authPreference = preference < 0 ? -1 : qMin(preference, 2);
    }
    finishWhenDone();
}

void StoredCertificatesLoader::finishWhenDone()
{
    if (m_pendingSlices == 0 && m_pendingKeyCalls == 0)
        emit finished();
}
