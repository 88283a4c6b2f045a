#include "certificatesmodel.h"
#include "certificatesmodel_p.h"

#include "certificatefacts.h"
#include "certificateitem.h"
#include "platformlog.h"
#include "storedcertificatesloader.h"
#include "storeddomains.h"

#include <trustkeepclient.h>
#include <trustkeepservice.h>

#include <QDBusPendingCallWatcher>
#include <QPointer>
#include <QSet>
#include <QTimer>

#include <vector>

namespace {

// One row: the stored certificate (its item made on first use) and what the
// roles show, worked out once on first use because sorting and matching ask
// for them again and again.
struct CertificateRow {
    explicit CertificateRow(StoredCertificate certificate)
        : certificate(std::move(certificate))
    {
    }

    StoredCertificate certificate;
    mutable bool shownKnown = false;
    mutable bool detailsKnown = false;
    mutable QString name;
    mutable QString details;
    mutable QString sortKey;
    mutable QVariant identity;

    void forgetShown() { shownKnown = detailsKnown = false; }
    // Until someone asks for the item, the outline read from the DER says
    // the same as the item would.
    void learnShown() const
    {
        if (shownKnown)
            return;
        const CertificateOutline &outline = certificate.outline();
        name = outline.name;
        sortKey = name.toLower() + QLatin1Char('\n') + outline.keyId;
        identity = QStringList(outline.identity);
        shownKnown = true;
    }
    // Apart: sorting a long list needs every name, but only the rows on
    // screen need their validity in words.
    void learnDetails() const
    {
        if (detailsKnown)
            return;
        details = certificate.outline().shownStrings().mid(1).join(QStringLiteral(" \u00b7 "));
        detailsKnown = true;
    }
};

// A copy of an item that shares nothing with it.
std::unique_ptr<CertificateItem> copyOf(const CertificateItem &original)
{
    auto copy = std::make_unique<CertificateItem>();
    if (!copy->setCertificate(original.cert))
        return nullptr;
    if (original.privateKey && !copy->setPrivateKey(original.privateKey))
        return nullptr;
    copy->purposes = original.purposes;
    copy->hasKey = original.hasKey;
    copy->authPreference = original.authPreference;
    return copy;
}

} // namespace

class CertificatesModelPrivate
{
public:
    CertificatesModelPrivate(CertificatesModel *model, const QDBusConnection &bus)
        : q(model)
        , bus(bus)
    {
    }

    static CertificatesModelPrivate *of(const CertificatesModel *model) { return model->d; }

    void loaded();
    void askKeyQuestions();
    void askKeyQuestion(StoredCertificate &certificate);
    CertificateItem *itemOf(size_t row);
    void replaceRows(std::vector<StoredCertificate> found);
    void retire(std::unique_ptr<CertificateItem> item);
    int rowOfDer(const QByteArray &der) const;

    CertificatesModel *q;
    QDBusConnection bus;
    std::vector<CertificateRow> rows;
    // The DER of every row: adding a certificate looks here first.
    QSet<QByteArray> knownDer;
    QPointer<StoredCertificatesLoader> loader;
    TrustkeepClient *keyClient = nullptr;
    size_t nextToAsk = 0; // rows before it have no key question to ask
    int keyQuestionsInFlight = 0;
    int pendingSignals = 0;
    // Items of rows that went; deleted once control is back in the event
    // loop, since whoever removed the row may still hold the pointer.
    std::vector<std::unique_ptr<CertificateItem>> retired;
};

void CertificatesModelPrivate::retire(std::unique_ptr<CertificateItem> item)
{
    if (!item)
        return;
    if (retired.empty())
        QTimer::singleShot(0, q, [this] { retired.clear(); });
    retired.push_back(std::move(item));
}

int CertificatesModelPrivate::rowOfDer(const QByteArray &der) const
{
    for (size_t row = 0; knownDer.contains(der) && row < rows.size(); ++row) {
        if (rows[row].certificate.der() == der)
            return int(row);
    }
    return -1;
}

void CertificatesModelPrivate::replaceRows(std::vector<StoredCertificate> found)
{
    q->beginResetModel();
    for (CertificateRow &row : rows)
        retire(row.certificate.takeItem());
    rows.clear();
    knownDer.clear();
    nextToAsk = 0;
    rows.reserve(found.size());
    for (StoredCertificate &certificate : found) {
        knownDer.insert(certificate.der());
        rows.emplace_back(std::move(certificate));
    }
    q->endResetModel();
}

// The key facts of a row are needed only once its item is made (a row opened
// or shown), so the questions go out after the list is shown rather than
// holding it up, and the service answers them while the user looks at the
// list. A few at a time: a system bus refuses a connection more than a
// hundred or so calls awaiting their answers.
void CertificatesModelPrivate::askKeyQuestions()
{
    const int mostInFlight = 32;
    for (; nextToAsk < rows.size() && keyQuestionsInFlight < mostInFlight; ++nextToAsk) {
        if (rows[nextToAsk].certificate.awaitsKeyQuestion())
            askKeyQuestion(rows[nextToAsk].certificate);
    }
}

void CertificatesModelPrivate::askKeyQuestion(StoredCertificate &certificate)
{
    if (!keyClient) {
        keyClient = new TrustkeepClient(QLatin1String(TrustkeepService::name), QLatin1String(TrustkeepService::path),
                                        bus, q);
    }
    const QDBusPendingCall question = keyClient->GetPrivateKeyData(certificate.outline().keyId);
    certificate.setKeyAnswer(question);
    ++keyQuestionsInFlight;
    auto *watcher = new QDBusPendingCallWatcher(question, q);
    auto answered = [this, watcher] {
        watcher->deleteLater();
        --keyQuestionsInFlight;
        askKeyQuestions();
    };
    // A call that could not even be sent is finished at once and its
    // watcher may never say so: the next one goes from the event loop.
    if (watcher->isFinished())
        QMetaObject::invokeMethod(q, answered, Qt::QueuedConnection);
    else
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, q, answered);
}

CertificateItem *CertificatesModelPrivate::itemOf(size_t row)
{
    if (row >= rows.size())
        return nullptr;
    // An item wanted before its question went out: it goes now, ahead of
    // the others, and the item waits for the answer.
    if (rows[row].certificate.awaitsKeyQuestion())
        askKeyQuestion(rows[row].certificate);
    return rows[row].certificate.item();
}

void CertificatesModelPrivate::loaded()
{
    StoredCertificatesLoader *done = loader;
    loader.clear();
    done->deleteLater();
    replaceRows(done->takeResult());
    QTimer::singleShot(0, q, [this] { askKeyQuestions(); });
    // One signal for every populate() this answer stands for. A receiver
    // may delete the model (its page closes): then nothing more is touched.
    const QPointer<CertificatesModel> alive(q);
    for (int signalsLeft = pendingSignals; signalsLeft > 0; --signalsLeft) {
        --pendingSignals;
        emit q->modelPopulated();
        if (!alive)
            return;
    }
}

CertificatesModel::CertificatesModel(QObject *parent)
    : CertificatesModel(QDBusConnection::systemBus(), parent)
{
}

CertificatesModel::CertificatesModel(const QDBusConnection &bus, QObject *parent)
    : QAbstractListModel(parent)
    , d(new CertificatesModelPrivate(this, bus))
{
}

CertificatesModel::~CertificatesModel()
{
    delete d;
}

QStringList CertificatesModel::storeDomains()
{
    return StoredDomains::all();
}

void CertificatesModel::populate()
{
    // A run still under way is superseded: its answer is dropped, its
    // caller hears "modelPopulated()" when this run is done.
    delete d->loader.data();
    ++d->pendingSignals;
    d->loader = new StoredCertificatesLoader(d->bus, this);
    connect(d->loader.data(), &StoredCertificatesLoader::finished, this, [this] { d->loaded(); });
    d->loader->start(storeDomains());
}

bool CertificatesModel::populate(CertificateItem *item)
{
    const QByteArray der = item ? CertificateFacts::der(item->cert) : QByteArray();
    if (der.isEmpty()) {
        PLATFORM_LOG_ERROR("%s: no certificate to add", "populate");
        return false;
    }
    const int known = d->rowOfDer(der);
    if (known >= 0) {
        // Refreshed in place: whoever holds the row's item keeps a valid one.
        CertificateItem *made = d->itemOf(size_t(known));
        if (!made) {
            PLATFORM_LOG_ERROR("%s: the certificate's row cannot be refreshed", "populate");
            return false;
        }
        CertificateItem &shown = *made;
        if (&shown != item) {
            if (item->privateKey)
                shown.setPrivateKey(item->privateKey);
            shown.purposes = item->purposes;
            shown.hasKey = item->hasKey;
            shown.authPreference = item->authPreference;
        }
        shown.stored = true;
        shown.userDomains = StoredDomains::userDomainsFlag(shown.purposes);
        d->rows[size_t(known)].forgetShown();
        emit dataChanged(index(known, 0), index(known, 0));
        return true;
    }
    StoredCertificate added;
    std::unique_ptr<CertificateItem> copy = copyOf(*item);
    if (copy) {
        copy->stored = true;
        copy->userDomains = StoredDomains::userDomainsFlag(copy->purposes);
    }
    if (!added.take(std::move(copy))) {
        PLATFORM_LOG_ERROR("%s: could not copy the certificate to add", "populate");
        return false;
    }
    const int last = int(d->rows.size());
    beginInsertRows(QModelIndex(), last, last);
    d->knownDer.insert(der);
    d->rows.emplace_back(std::move(added));
    endInsertRows();
    return true;
}

bool CertificatesModel::isPopulating() const
{
    return d->pendingSignals > 0;
}

CertificateItem *CertificatesModel::item(int row) const
{
    return row >= 0 ? d->itemOf(size_t(row)) : nullptr;
}

QModelIndex CertificatesModel::indexOf(const CertificateItem *item) const
{
    for (size_t row = 0; item && row < d->rows.size(); ++row) {
        if (d->rows[row].certificate.hasItem() && d->rows[row].certificate.item() == item)
            return index(int(row), 0);
    }
    return QModelIndex();
}

int CertificatesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(d->rows.size());
}

QVariant CertificatesModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.model() != this || index.column() != 0 || size_t(index.row()) >= d->rows.size())
        return QVariant();
    const CertificateRow &row = d->rows[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        row.learnShown();
        return row.name;
    case Qt::ToolTipRole:
        row.learnDetails();
        return row.details;
    case ItemRole:
        return QVariant::fromValue(d->itemOf(size_t(index.row())));
    case SortRole:
        row.learnShown();
        return row.sortKey;
    case IdentityRole:
        row.learnShown();
        return row.identity;
    case ManageableRole:
        return StoredDomains::isManageable(row.certificate.purposes()) ? 1 : 0;
    default:
        return QVariant();
    }
}

bool CertificatesModel::removeRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || row < 0 || count <= 0 || size_t(row) + size_t(count) > d->rows.size())
        return false;
    beginRemoveRows(QModelIndex(), row, row + count - 1);
    const auto first = d->rows.begin() + row;
    for (auto it = first; it != first + count; ++it) {
        d->knownDer.remove(it->certificate.der());
        d->retire(it->certificate.takeItem());
    }
    d->rows.erase(first, first + count);
    d->nextToAsk = qMin(d->nextToAsk, size_t(row));
    endRemoveRows();
    return true;
}

bool certificateRowKind(const QModelIndex &index, bool *isCa, QStringList *purposes)
{
    const auto *model = qobject_cast<const CertificatesModel *>(index.model());
    if (!model || !index.isValid() || size_t(index.row()) >= CertificatesModelPrivate::of(model)->rows.size())
        return false;
    const StoredCertificate &certificate = CertificatesModelPrivate::of(model)->rows[size_t(index.row())].certificate;
    *isCa = certificate.isCa();
    *purposes = certificate.purposes();
    return true;
}
