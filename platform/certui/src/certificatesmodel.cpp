#include "certificatesmodel.h"

#include "certificatefacts.h"
#include "certificateitem.h"
#include "certuilog.h"
#include "storedcertificatesloader.h"
#include "storeddomains.h"

#include <QHash>
#include <QPointer>
#include <QTimer>

#include <vector>

namespace {

// One row: the item, its DER (a row's identity when a certificate is added
// again) and what the roles show, worked out once on first use because
// sorting and matching ask for them again and again.
struct CertificateRow {
    CertificateRow(std::unique_ptr<CertificateItem> item, const QByteArray &der)
        : item(std::move(item))
        , der(der)
    {
    }

    std::unique_ptr<CertificateItem> item;
    QByteArray der;
    mutable bool shownKnown = false;
    mutable QString name;
    mutable QString details;
    mutable QString sortKey;
    mutable QVariant identity;

    void forgetShown() { shownKnown = false; }
    void learnShown() const
    {
        if (shownKnown)
            return;
        const QStringList shown = item->attribute(CertificateItem::DisplayStrings).toStringList();
        name = shown.value(0);
        details = shown.mid(1).join(QStringLiteral(" \u00b7 "));
        sortKey = name.toLower() + QLatin1Char('\n') + item->keyId;
        identity = item->attribute(CertificateItem::Identity);
        shownKnown = true;
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

    void loaded();
    void replaceRows(std::vector<StoredCertificate> found);
    void retire(std::unique_ptr<CertificateItem> item);
    int rowOfDer(const QByteArray &der) const;

    CertificatesModel *q;
    QDBusConnection bus;
    std::vector<CertificateRow> rows;
    // DER -> the item of its row: adding a certificate looks here first.
    QHash<QByteArray, CertificateItem *> itemOfDer;
    QPointer<StoredCertificatesLoader> loader;
    int pendingSignals = 0;
    // Items of rows that went; deleted once control is back in the event
    // loop, since whoever removed the row may still hold the pointer.
    std::vector<std::unique_ptr<CertificateItem>> retired;
};

void CertificatesModelPrivate::retire(std::unique_ptr<CertificateItem> item)
{
    if (retired.empty())
        QTimer::singleShot(0, q, [this] { retired.clear(); });
    retired.push_back(std::move(item));
}

int CertificatesModelPrivate::rowOfDer(const QByteArray &der) const
{
    const CertificateItem *item = itemOfDer.value(der);
    for (size_t row = 0; item && row < rows.size(); ++row) {
        if (rows[row].item.get() == item)
            return int(row);
    }
    return -1;
}

void CertificatesModelPrivate::replaceRows(std::vector<StoredCertificate> found)
{
    q->beginResetModel();
    for (CertificateRow &row : rows)
        retire(std::move(row.item));
    rows.clear();
    itemOfDer.clear();
    rows.reserve(found.size());
    for (StoredCertificate &certificate : found) {
        itemOfDer.insert(certificate.der, certificate.item.get());
        rows.emplace_back(std::move(certificate.item), certificate.der);
    }
    q->endResetModel();
}

void CertificatesModelPrivate::loaded()
{
    StoredCertificatesLoader *done = loader;
    loader.clear();
    done->deleteLater();
    replaceRows(done->takeResult());
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
        CERTUI_LOG_ERROR("%s: no certificate to add", "populate");
        return false;
    }
    const int known = d->rowOfDer(der);
    if (known >= 0) {
        // Refreshed in place: whoever holds the row's item keeps a valid one.
        CertificateItem &shown = *d->rows[size_t(known)].item;
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
    std::unique_ptr<CertificateItem> copy = copyOf(*item);
    if (!copy) {
        CERTUI_LOG_ERROR("%s: could not copy the certificate to add", "populate");
        return false;
    }
    copy->stored = true;
    copy->userDomains = StoredDomains::userDomainsFlag(copy->purposes);
    const int last = int(d->rows.size());
    beginInsertRows(QModelIndex(), last, last);
    d->itemOfDer.insert(der, copy.get());
    d->rows.emplace_back(std::move(copy), der);
    endInsertRows();
    return true;
}

bool CertificatesModel::isPopulating() const
{
    return d->pendingSignals > 0;
}

CertificateItem *CertificatesModel::item(int row) const
{
    return row >= 0 && size_t(row) < d->rows.size() ? d->rows[size_t(row)].item.get() : nullptr;
}

QModelIndex CertificatesModel::indexOf(const CertificateItem *item) const
{
    for (size_t row = 0; item && row < d->rows.size(); ++row) {
        if (d->rows[row].item.get() == item)
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
        row.learnShown();
        return row.details;
    case ItemRole:
        return QVariant::fromValue(row.item.get());
    case SortRole:
        row.learnShown();
        return row.sortKey;
    case IdentityRole:
        row.learnShown();
        return row.identity;
    case ManageableRole:
        return StoredDomains::isManageable(row.item->purposes) ? 1 : 0;
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
        d->itemOfDer.remove(it->der);
        d->retire(std::move(it->item));
    }
    d->rows.erase(first, first + count);
    endRemoveRows();
    return true;
}
