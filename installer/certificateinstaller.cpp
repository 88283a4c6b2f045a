#include "certificateinstaller.h"

#include "pkey.h"

#include <bastra_certman.h>
#include <certificatedetailswidget.h>
#include <certificatefile.h>
#include <certificatefilelist.h>
#include <certificatefilemodel.h>
#include <certificatefilewidget.h>
#include <certificateitem.h>
#include <certificatesettingswidget.h>
#include <devicepaths.h>
#include <filelistpagecontent.h>
#include <log.h>
#include <purposetable.h>
#include <storedomain.h>
#include <validityscreening.h>
#include <zelvoapplicationpage.h>
#include <zelvoapplicationwindow.h>
#include <zelvolabel.h>
#include <zelvolayout.h>
#include <zelvolinearlayoutpolicy.h>
#include <zelvoprogressindicator.h>
#include <zelvoseparator.h>

#include <cstdio>
#include <unistd.h>

namespace {

const char deviceHome[] = "/home/user";

// The device's home is a fixed device path; paths typed on the command line
// are the user's own and are taken as they are.
QString scanPath(const QString &path)
{
    QString bare = path;
    while (bare.size() > 1 && bare.endsWith(QLatin1Char('/')))
        bare.chop(1);
    return bare == QLatin1String(deviceHome) ? DevicePaths::home() : path;
}

} // namespace

CertificateInstaller::CertificateInstaller(ZelvoApplicationWindow *window)
    : QObject(nullptr)
    , m_spinner(nullptr)
    , m_window(window)
    , m_fileListPage(new ZelvoApplicationPage)
    , m_fileModel(nullptr)
    , m_fileList(nullptr)
    , m_layout(nullptr)
    , m_spinnerPolicy(nullptr)
    , m_emptyPolicy(nullptr)
    , m_listPolicy(nullptr)
{
    m_fileListPage->setStyleName(QStringLiteral("CommonApplicationPageInverted"));
    // The list is the first page: its back button ends the program rather
    // than leaving an empty window.
    m_fileListPage->setEscapeMode(ZelvoApplicationPage::EscapeManualBack);
    connect(m_fileListPage, &ZelvoApplicationPage::backButtonClicked, this, &CertificateInstaller::quit);
    setObjectName(QStringLiteral("certificateEventHandler"));

    m_layout = new ZelvoLayout;
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setPolicy(spinnerPolicy());
    m_fileListPage->centralWidget()->setLayout(m_layout);
    m_fileListPage->appear(m_window, ZelvoSceneWindow::KeepWhenDone);
}

// The installer lives until quit() ends the process, so nothing is released
// here; the pages belong to the window, the list to the file list page.
CertificateInstaller::~CertificateInstaller() = default;

void CertificateInstaller::populate(const QStringList &paths)
{
    m_fileModel = new CertificateFileModel;
    connect(m_fileModel, SIGNAL(modelPopulated()), this, SLOT(modelPopulated()));
    QStringList scanned;
    for (const QString &path : paths)
        scanned << scanPath(path);
    m_fileModel->populate(scanned);

    m_fileList = new CertificateFileList;
    m_fileList->setItemModel(m_fileModel);
    connect(m_fileList, SIGNAL(itemClicked(QModelIndex)), this, SLOT(certificateFileSelected(QModelIndex)));
}

void CertificateInstaller::modelPopulated()
{
    const int files = m_fileModel ? m_fileModel->rowCount() : 0;
    if (files == 0) {
        m_layout->setPolicy(emptyPolicy());
        return;
    }
    m_layout->setPolicy(listPolicy());
    if (files == 1)
        certificateFileSelected(m_fileModel->index(0, 0));
}

void CertificateInstaller::certificateFileSelected(const QModelIndex &idx)
{
    ZelvoApplicationPage *page = newPage();
    auto *widget = new CertificateFileWidget;
    auto *file = idx.data(CertificateFileModel::FileRole).value<CertificateFile *>();
    if (m_fileList)
        m_fileList->clearSelection();
    // A file that cannot be read (damaged, not a certificate, its password
    // not given) shows nothing: the list stays.
    if (!file || !widget->setFile(file)) {
        delete widget;
        delete page;
        return;
    }
    connect(widget, SIGNAL(installCertificates(QModelIndexList)), this, SLOT(installCertificates(QModelIndexList)));
    connect(widget, SIGNAL(operationCancelled()), this, SLOT(operationCancelled()));
    connect(widget, SIGNAL(certificateSelected(QModelIndex)), this, SLOT(certificateSelected(QModelIndex)));
    page->setCentralWidget(widget);
    showPage(page);
}

void CertificateInstaller::certificateSelected(const QModelIndex &idx)
{
    ZelvoApplicationPage *page = newPage();
    auto *widget = new CertificateDetailsWidget;
    widget->setCertificate(ValidityScreening::itemAt(idx));
    page->setCentralWidget(widget);
    showPage(page);
}

void CertificateInstaller::installCertificates(const QModelIndexList &mil)
{
    QModelIndexList accepted;
    QStringList keys;
    ZelvoApplicationPage *page = newPage();
    auto *settings = new CertificateSettingsWidget;
    m_settingsWidget = settings;
    for (const PurposeEntry *entry = purposeTable; entry->domainPrefix; ++entry)
        keys << QLatin1String(entry->domainPrefix);

    // The installer judges a certificate by its own validity period.
    const ValidityScreening screening(ValidityScreening::judgeByOwnTimes);
    if (!screening.screen(mil, accepted)) {
        // A damaged certificate: after its message nothing more happens,
        // and the certificate page stays for another pick.
        delete settings;
        delete page;
        return;
    }
    if (accepted.isEmpty()) {
        delete settings;
        delete page;
        operationCancelled();
        return;
    }
    m_accepted = accepted;

    bool withKey = false;
    for (const QModelIndex &index : accepted) {
        const CertificateItem *item = ValidityScreening::itemAt(index);
        withKey = withKey || (item && item->hasKey);
    }
    if (withKey)
        settings->purposesAndPreferenceDialog(keys, -1);
    else
        settings->purposesDialog(keys);

    connect(page, SIGNAL(backButtonClicked()), this, SLOT(getSettings()));
    page->setCentralWidget(settings);
    showPage(page);
}

void CertificateInstaller::getSettings()
{
    const QStringList purposes = m_settingsWidget ? m_settingsWidget->getPurposes() : QStringList();
    const int preference = m_settingsWidget ? m_settingsWidget->getPreference() : -1;
    commitSettings(purposes, preference);
    // The settings page is still on top; once it has gone, the certificate
    // page under it goes too.
    if (ZelvoApplicationPage *current = m_window->currentPage())
        connect(current, SIGNAL(disappeared()), this, SLOT(back()));
}

void CertificateInstaller::commitSettings(const QStringList &purposes, int preference)
{
    if (!installKeys(purposes, preference))
        return;
    installCertificatesToDomains(purposes);
}

// Pass 1. Nothing is logged here: PKey reports its own failures.
bool CertificateInstaller::installKeys(const QStringList &purposes, int preference)
{
    if (preference < 0)
        return true;
    for (const QModelIndex &index : qAsConst(m_accepted)) {
        CertificateItem *item = ValidityScreening::itemAt(index);
        if (!item || !item->hasKey || !item->privateKey)
            continue;
        const QStringList domains = Purposes::domainsFor(purposes, item->isCA);
        item->authPreference = preference;
        if (!PKey::Install(item, domains))
            return false;
    }
    return true;
}

// Pass 2: each certificate into the domain of each chosen purpose, under the
// purpose's token for adding. A domain that fails is logged and passed over.
void CertificateInstaller::installCertificatesToDomains(const QStringList &purposes)
{
    for (const QModelIndex &index : qAsConst(m_accepted)) {
        CertificateItem *item = ValidityScreening::itemAt(index);
        if (!item || !item->cert)
            continue;
        for (const PurposeEntry *entry = purposeTable; entry->domainPrefix; ++entry) {
            if (!purposes.contains(QLatin1String(entry->domainPrefix)))
                continue;
            const QString domainName = Purposes::domainFor(*entry, item->isCA);
            const StoreDomain domain(domainName, StoreDomain::Private, DomainAccess::Add, TK_CLOSE_UNLOGGED);
            if (!domain.isOpen()) {
                TK_LOG_ERROR("%s: failed opening domain %s (%d)", "commitSettings", qUtf8Printable(domainName),
                             domain.openResult());
                continue;
            }
            const int added = bastra_certman_add_cert(domain.handle(), item->cert);
            if (added != 0) {
                TK_LOG_ERROR("%s: failed adding certificate to '%s' (%d)", "commitSettings", qUtf8Printable(domainName),
                             added);
            }
        }
    }
}

void CertificateInstaller::operationCancelled()
{
    back();
}

void CertificateInstaller::back()
{
    ZelvoApplicationPage *closed = m_window->currentPage();
    if (closed && closed != m_fileListPage)
        closed->close();
    if (m_fileModel && m_fileModel->rowCount() > 1)
        return;
    if (!closed || closed == m_fileListPage) {
        quit();
        return;
    }
    connect(closed, SIGNAL(disappeared()), this, SLOT(quit()));
}

void CertificateInstaller::quit()
{
    // The event loop is not left and nothing is torn down: the trust
    // database commits each statement as it runs and the store writes its
    // files as it goes, so all there is to flush are the standard streams.
    std::fflush(nullptr);
    ::_exit(0);
}

ZelvoApplicationPage *CertificateInstaller::newPage() const
{
    auto *page = new ZelvoApplicationPage;
    page->setStyleName(QStringLiteral("CommonApplicationPageInverted"));
    return page;
}

// Pages are kept by the window while on display (the user comes back to
// them); one that has left for good is released.
void CertificateInstaller::showPage(ZelvoApplicationPage *page)
{
    connect(page, &ZelvoApplicationPage::disappeared, page, &QObject::deleteLater);
    page->appear(m_window, ZelvoSceneWindow::KeepWhenDone);
}

ZelvoLinearLayoutPolicy *CertificateInstaller::spinnerPolicy()
{
    if (!m_spinnerPolicy) {
        if (!m_spinner)
            m_spinner = FileListPageContent::createSpinner(m_fileListPage);
        m_spinnerPolicy = FileListPageContent::createSpinnerPolicy(m_layout, FileListPageContent::createTitleLabel(),
                                                                   FileListPageContent::createSeparator(), m_spinner);
    }
    return m_spinnerPolicy;
}

ZelvoLinearLayoutPolicy *CertificateInstaller::emptyPolicy()
{
    if (!m_emptyPolicy) {
        m_emptyPolicy = FileListPageContent::createEmptyPolicy(m_layout, FileListPageContent::createTitleLabel(),
                                                               FileListPageContent::createSeparator(),
                                                               FileListPageContent::createEmptyLabel());
    }
    return m_emptyPolicy;
}

ZelvoLinearLayoutPolicy *CertificateInstaller::listPolicy()
{
    if (!m_listPolicy) {
        m_listPolicy = FileListPageContent::createListPolicy(m_layout, FileListPageContent::createTitleLabel(),
                                                             FileListPageContent::createSeparator(), m_fileList);
    }
    return m_listPolicy;
}
