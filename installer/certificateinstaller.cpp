#include "certificateinstaller.h"

#include <zelvoapplicationpage.h>
#include <zelvoapplicationwindow.h>

#include <cstdlib>

CertificateInstaller::CertificateInstaller(ZelvoApplicationWindow *window)
    : QObject(nullptr)
    , m_window(window)
    , m_fileListPage(new ZelvoApplicationPage)
{
    m_fileListPage->setStyleName(QStringLiteral("CommonApplicationPageInverted"));
    m_fileListPage->setEscapeMode(ZelvoApplicationPage::EscapeManualBack);
    connect(m_fileListPage, &ZelvoApplicationPage::backButtonClicked, this, &CertificateInstaller::quit);
    setObjectName(QStringLiteral("certificateEventHandler"));
    m_fileListPage->appear(m_window, ZelvoSceneWindow::KeepWhenDone);
}

CertificateInstaller::~CertificateInstaller() = default;

void CertificateInstaller::populate(const QStringList &paths)
{
    Q_UNUSED(paths);
}

void CertificateInstaller::quit()
{
    std::exit(0);
}
