#ifndef TRUSTKEEP_CERTIFICATEINSTALLER_H
#define TRUSTKEEP_CERTIFICATEINSTALLER_H

#include <QObject>
#include <QStringList>

class ZelvoApplicationPage;
class ZelvoApplicationWindow;

// Drives an installer run of trustkeep in the program's window: the file
// list page first, then the pages of the files the user picks.
//
// For now only the frame is here: the first page appears in the window and
// its back button ends the program; scanning the paths comes later.
class CertificateInstaller : public QObject
{
    Q_OBJECT
public:
    explicit CertificateInstaller(ZelvoApplicationWindow *window);
    ~CertificateInstaller() override;

    // The paths to scan for certificate files.
    void populate(const QStringList &paths);

public slots:
    // Ends the process at once with status 0.
    void quit();

private:
    ZelvoApplicationWindow *m_window;
    ZelvoApplicationPage *m_fileListPage;
};

#endif
