#include "certificatefilemodel.h"

#include "certificatefile.h"
#include "filescanner.h"

#include <QFileInfo>
#include <QFutureWatcher>
#include <QtConcurrent>

#include <openssl/crypto.h>

CertificateFileModel::CertificateFileModel(QObject *parent)
    : QAbstractListModel(parent)
    , m_watcher(nullptr)
    , m_pendingSignals(0)
{
}

CertificateFileModel::~CertificateFileModel()
{
    // The worker stops at its next folder; it owns copies of all it uses.
    cancelScan();
}

void CertificateFileModel::cancelScan()
{
    if (m_cancelled)
        m_cancelled->store(true);
    if (m_watcher) {
        m_watcher->disconnect(this);
        m_watcher->deleteLater();
        m_watcher = nullptr;
    }
}

void CertificateFileModel::populate(const QStringList &paths)
{
    // A scan still running is superseded: its result is dropped, but its
    // caller still hears "modelPopulated()" once, when this scan is done.
    cancelScan();
    ++m_pendingSignals;

    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    m_cancelled = cancelled;
    m_watcher = new QFutureWatcher<QStringList>(this);
    connect(m_watcher, &QFutureWatcher<QStringList>::finished, this, &CertificateFileModel::scanFinished);
    m_watcher->setFuture(QtConcurrent::run([paths, cancelled]() {
        const QStringList found = FileScanner::scan(paths, *cancelled);
        // The pool thread may outlive the library's clean-up at exit, and
        // then OpenSSL's per-thread state (its error queue) would never be
        // released: release it now, the thread is done with OpenSSL.
        OPENSSL_thread_stop();
        return found;
    }));
}

bool CertificateFileModel::isPopulating() const
{
    return m_pendingSignals > 0;
}

void CertificateFileModel::scanFinished()
{
    const QStringList found = m_watcher->result();
    m_watcher->deleteLater();
    m_watcher = nullptr;
    m_cancelled.reset();

    beginResetModel();
    qDeleteAll(m_files);
    m_files.clear();
    for (const QString &path : found)
        m_files << new CertificateFile(path, this);
    endResetModel();

    const int signals_ = m_pendingSignals;
    m_pendingSignals = 0;
    for (int i = 0; i < signals_; ++i)
        emit modelPopulated();
}

CertificateFile *CertificateFileModel::file(int row) const
{
    return row >= 0 && row < m_files.size() ? m_files.at(row) : nullptr;
}

int CertificateFileModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_files.size();
}

QVariant CertificateFileModel::data(const QModelIndex &index, int role) const
{
    CertificateFile *f = index.isValid() && index.model() == this ? file(index.row()) : nullptr;
    if (!f)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return f->fileName();
    case Qt::ToolTipRole:
        return QFileInfo(f->path()).path();
    case FileRole:
        return QVariant::fromValue(f);
    default:
        return QVariant();
    }
}
