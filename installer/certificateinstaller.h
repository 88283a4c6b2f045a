#ifndef TRUSTKEEP_CERTIFICATEINSTALLER_H
#define TRUSTKEEP_CERTIFICATEINSTALLER_H

#include <QModelIndex>
#include <QModelIndexList>
#include <QObject>
#include <QPointer>
#include <QStringList>

class CertificateFileList;
class CertificateFileModel;
class CertificateSettingsWidget;
class ZelvoApplicationPage;
class ZelvoApplicationWindow;
class ZelvoLayout;
class ZelvoLinearLayoutPolicy;
class ZelvoProgressIndicator;

// Drives an installer run of trustkeep in the program's window:
//
//   file list page --tap--> certificate page of the file --pick--> settings
//   page --back--> keys and certificates go into the store
//
// The file list page shows the certificate files found under the given
// paths; with exactly one file, that file's page opens at once. Picked
// certificates are screened (corrupt, expired, not yet valid) before the
// settings page asks for their purposes and, when a key came with them, the
// key's authorization preference. After an installation or a cancel the
// user returns to the list when there is more than one file; otherwise the
// program ends. The end is always quit(): an immediate exit with status 0.
//
// Lives until the process ends; has no parent.
class CertificateInstaller : public QObject
{
    Q_OBJECT
public:
    explicit CertificateInstaller(ZelvoApplicationWindow *window);
    ~CertificateInstaller() override;

    // Scans the paths for certificate files; the device's home ("/home/user")
    // is taken on the emulated device when one is set, any other path as given.
    void populate(const QStringList &paths);

    // Stores the accepted certificates for the purposes: first every key
    // (when a preference was chosen), then every certificate into the
    // domains of the chosen purposes. A key that cannot be stored ends the
    // whole commit before any certificate is added.
    void commitSettings(const QStringList &purposes, int preference);

public slots:
    void certificateFileSelected(const QModelIndex &idx);
    void certificateSelected(const QModelIndex &idx);
    void installCertificates(const QModelIndexList &mil);
    void modelPopulated();
    void getSettings();
    void operationCancelled();
    void back();
    void quit();

private:
    ZelvoApplicationPage *newPage() const;
    void showPage(ZelvoApplicationPage *page);
    ZelvoLinearLayoutPolicy *spinnerPolicy();
    ZelvoLinearLayoutPolicy *emptyPolicy();
    ZelvoLinearLayoutPolicy *listPolicy();
    bool installKeys(const QStringList &purposes, int preference);
    void installCertificatesToDomains(const QStringList &purposes);

    ZelvoProgressIndicator *m_spinner;
    ZelvoApplicationWindow *m_window;
    ZelvoApplicationPage *m_fileListPage;
    QPointer<CertificateSettingsWidget> m_settingsWidget;
    QModelIndexList m_accepted;
    CertificateFileModel *m_fileModel;
    CertificateFileList *m_fileList;
    ZelvoLayout *m_layout;
    ZelvoLinearLayoutPolicy *m_spinnerPolicy;
    ZelvoLinearLayoutPolicy *m_emptyPolicy;
    ZelvoLinearLayoutPolicy *m_listPolicy;
};

#endif
