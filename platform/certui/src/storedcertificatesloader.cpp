#include "storedcertificatesloader.h"

#include "platformlog.h"
#include "storeddomains.h"

#include <trustkeepclient.h>
#include <trustkeepservice.h>

#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QFutureWatcher>
#include <QThread>
#include <QtConcurrent>

#include <algorithm>
#include <iterator>

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

// The listing holds one entry per certificate and domain; the same Base64
// text comes once for each domain listing it, and a map keeps equal keys
// next to each other. Cut into slices to read in worker threads: those that
// may have a key first (the rows keep the slices' order).
std::vector<std::shared_ptr<ParseSlice>> slicesOf(const QVariantMap &listing)
{
    QStringList texts;
    QList<QStringList> names;
    for (auto entry = listing.constBegin(); entry != listing.constEnd(); ++entry) {
        if (texts.isEmpty() || texts.constLast() != entry.key()) {
            texts << entry.key();
            names << QStringList();
        }
        QStringList &listedUnder = names.last();
        const QString name = listedName(entry.value());
        if (!listedUnder.contains(name))
            listedUnder << name;
    }
    QStringList ordered;
    QList<QStringList> orderedNames;
    for (const bool keyFirst : { true, false }) {
        for (int i = 0; i < texts.size(); ++i) {
            if (mayHaveKey(names.at(i)) == keyFirst) {
                ordered << texts.at(i);
                orderedNames << names.at(i);
            }
        }
    }
    // Twice as many slices as threads, so that a thread held up by other
    // work is made up for by the others.
    const int count = qMin(ordered.size(), 2 * qBound(1, QThread::idealThreadCount(), 8));
    std::vector<std::shared_ptr<ParseSlice>> slices;
    for (int i = 0; i < count; ++i) {
        auto slice = std::make_shared<ParseSlice>();
        const int first = int(qint64(ordered.size()) * i / count);
        const int last = int(qint64(ordered.size()) * (i + 1) / count);
        slice->texts = ordered.mid(first, last - first);
        slice->purposes = orderedNames.mid(first, last - first);
        slices.push_back(slice);
    }
    return slices;
}

// The DER of a listed Base64 text. Plain padded text, as the service writes
// it, is decoded straight from the string; anything else as
// QByteArray::fromBase64 reads it, which gives the same bytes for plain text.
QByteArray derOf(const QString &text)
{
    static const struct Table {
        signed char value[128];
        Table()
        {
            std::fill(std::begin(value), std::end(value), -1);
            const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
            for (int i = 0; i < 64; ++i)
                value[int(alphabet[i])] = char(i);
        }
    } table;
    const int length = text.size();
    const QChar *chars = text.constData();
    int padding = 0;
    while (padding < 2 && length - padding > 0 && chars[length - padding - 1] == QLatin1Char('='))
        ++padding;
    QByteArray bytes;
    if (length % 4 != 0)
        return QByteArray::fromBase64(text.toLatin1());
    bytes.resize(length / 4 * 3 - padding);
    char *out = bytes.data();
    quint32 group = 0;
    for (int i = 0; i < length - padding; ++i) {
        const ushort c = chars[i].unicode();
        const int value = c < 128 ? table.value[c] : -1;
        if (value < 0)
            return QByteArray::fromBase64(text.toLatin1());
        group = (group << 6) | quint32(value);
        if (i % 4 == 3) {
            *out++ = char(group >> 16);
            *out++ = char(group >> 8);
            *out++ = char(group);
        }
    }
    if (padding == 1) {
        *out++ = char(group >> 10);
        *out++ = char(group >> 2);
    } else if (padding == 2) {
        *out++ = char(group >> 4);
    }
    return bytes;
}

} // namespace

void ParseSlice::parse()
{
    read.resize(size_t(texts.size()));
    readable.resize(size_t(texts.size()));
    {
        OutlineCache cache;
        for (int i = 0; i < texts.size(); ++i)
            readable[size_t(i)] = read[size_t(i)].read(derOf(texts.at(i)), &cache);
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
    m_slices = slicesOf(reply.value());
    for (const std::shared_ptr<ParseSlice> &slice : m_slices) {
        ++m_pendingSlices;
        auto *watcher = new QFutureWatcher<void>(this);
        connect(watcher, &QFutureWatcher<void>::finished, this, [this, watcher] {
            watcher->deleteLater();
            sliceRead();
        });
        watcher->setFuture(QtConcurrent::run([slice] { slice->parse(); }));
    }
    if (m_pendingSlices == 0)
        emit finished();
}

void StoredCertificatesLoader::sliceRead()
{
    if (--m_pendingSlices > 0)
        return;
    gather();
    emit finished();
}

void StoredCertificatesLoader::gather()
{
    for (const std::shared_ptr<ParseSlice> &slice : m_slices) {
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
            certificate.setMayHaveKey(mayHaveKey(listedUnder));
            m_found.push_back(std::move(certificate));
        }
    }
    m_slices.clear();
}
