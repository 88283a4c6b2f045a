#ifndef CERTIFICATEFILEMODEL_H
#define CERTIFICATEFILEMODEL_H

#include "bastracertmanui_global.h"

#include <QAbstractListModel>
#include <QStringList>

#include <atomic>
#include <memory>

class CertificateFile;
template <typename T> class QFutureWatcher;

// The certificate files found under some folders, one row per file: the
// display role gives the file's name, role 34 its CertificateFile* (owned by
// the model), Qt::ToolTipRole the folder it is in.
class BASTRA_CERTMAN_UI_EXPORT CertificateFileModel : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Role {
        FileRole = 34
    };

    explicit CertificateFileModel(QObject *parent = nullptr);
    ~CertificateFileModel() override;

    // Scans the paths for certificate files in a worker thread, so the user
    // interface keeps running; the rows are replaced on the main thread when
    // the scan is done, and "modelPopulated()" follows, exactly once for
    // each call, also when nothing is found. Folders are walked recursively
    // (hidden folders and links to folders are passed over), files are taken
    // when their extension and content say certificate. Paths are used as
    // given: the caller resolves device paths.
    void populate(const QStringList &paths);

    // True between populate() and its "modelPopulated()".
    bool isPopulating() const;

    CertificateFile *file(int row) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

signals:
    void modelPopulated();

private slots:
    void scanFinished();

private:
    void cancelScan();

    QList<CertificateFile *> m_files;
    QFutureWatcher<QStringList> *m_watcher;
    std::shared_ptr<std::atomic<bool>> m_cancelled;
    int m_pendingSignals;
};

#endif
