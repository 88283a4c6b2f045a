#include "trustpanel.h"

#include "certificatedetailsdialog.h"
#include "certificatefilelistdialog.h"
#include "certificateinstalldialog.h"
#include "certificatesettingsdialog.h"
#include "certificateslistwidget.h"
#include "certificatetypetable.h"

#include <certificateitem.h>
#include <certificateitemwidget.h>
#include <log.h>
#include <plixbrief.h>
#include <validityscreening.h>
#include <zelvoaction.h>
#include <zelvoapplication.h>
#include <zelvoapplicationwindow.h>
#include <zelvocombobox.h>
#include <zelvolocale.h>
#include <zelvostylelibrary.h>
#include <zelvowidgetaction.h>

namespace {

enum Page {
    ListPage = 0,
    SettingsPage = 1,
    FileListPage = 2,
    InstallPage = 3,
    UnmanagedDetailsPage = 4,
    DetailsPage = 5,
    NestedDetailsPages = 6
};

// While the library is loaded the toolkit knows it as a style library; its
// certificate rows take their look from the theme but are never made by name.
const ZelvoStyleLibrary styleLibrary(QStringLiteral("libtrustpanel"),
                                     { ZelvoStyleLibrary::Type(&CertificateItemWidget::staticMetaObject) });

QModelIndexList plainIndexes(const QList<QPersistentModelIndex> &indexes)
{
    QModelIndexList plain;
    for (const QPersistentModelIndex &index : indexes)
        plain << QModelIndex(index);
    return plain;
}

} // namespace

TrustPanel::TrustPanel()
    : QObject(nullptr)
    , currentPage(0)
    , detailsDepth(0)
    , m_locale(nullptr)
{
}

// Pages belong to the control panel and menu actions to this object.
TrustPanel::~TrustPanel() = default;

void TrustPanel::init()
{
    if (!m_locale) {
        m_locale = new ZelvoLocale(this);
        m_locale->installTrCatalog(QStringLiteral("plixcontrolpanel-trustpanel"));
    }
    ZelvoLocale::setDefault(m_locale);
}

QString TrustPanel::title() const
{
    switch (currentPage) {
    case ListPage:
        return ZelvoLocale::trId("lgd_certman_certificatemanagertitle");
    case SettingsPage:
        return ZelvoLocale::trId("lgd_certman_certificatesettings");
    case FileListPage:
    case InstallPage:
        // The title names no file here.
        return ZelvoLocale::trId("lgd_certman_certificatepackagename").arg(QString());
    default:
        return ZelvoLocale::trId("lgd_certman_certdetails");
    }
}

PlixBrief *TrustPanel::constructBrief(int)
{
    return new PlixBrief;
}

PlixStylableWidget *TrustPanel::constructStylableWidget(int widgetId)
{
    lockPortrait();
    PlixStylableWidget *page = buildPage(widgetId);
    if (page)
        currentPage = widgetId;
    return page;
}

void TrustPanel::lockPortrait()
{
    ZelvoApplicationWindow *window = ZelvoApplication::activeWindow();
    if (!window) {
        TK_LOG_ERROR("%s: no active window", "constructStylableWidget");
        return;
    }
    if (!window->isOrientationLocked()) {
        window->setPortraitOrientation();
        window->lockOrientation();
    }
}

// The control panel asks for the title and the menu again once the user has
// left a page, without building the page below anew: a details or settings
// page hands them back, when it is left, to the page it was opened from (the
// page built before it).
PlixStylableWidget *TrustPanel::buildPage(int widgetId)
{
    switch (widgetId) {
    case ListPage:
        detailsDepth = 0;
        listPageInstance();
        connectListPage();
        return listPage;
    case SettingsPage: {
        detailsDepth = 0;
        settingsPage = new CertificateSettingsDialog;
        settingsPage->setCertificates(plainIndexes(settingsSelection));
        connect(settingsPage, SIGNAL(newSettings(QStringList, int)), this, SLOT(settingsChanged(QStringList, int)));
        const int below = currentPage;
        connect(settingsPage, &CertificateSettingsDialog::newSettings, this, [this, below]() { currentPage = below; });
        return settingsPage;
    }
    case FileListPage:
        detailsDepth = 0;
        fileListPage = new CertificateFileListDialog;
        connect(fileListPage, SIGNAL(fileSelected(QModelIndex)), this, SLOT(saveSelection(QModelIndex)));
        return fileListPage;
    case InstallPage: {
        detailsDepth = 0;
        auto *page = new CertificateInstallDialog;
        installPage = page;
        if (!page->certificateFileSelected(currentIndex)) {
            // Never handed to the control panel, so nobody else would free it.
            delete page;
            return nullptr;
        }
        connect(page, SIGNAL(certificateSelected(QModelIndex)), this, SLOT(saveSelection(QModelIndex)));
        connect(page, SIGNAL(installCertificates(QModelIndexList)), this, SLOT(saveSelection(QModelIndexList)));
        return page;
    }
    default: {
        if (!selectionStack.isEmpty())
            currentIndex = selectionStack.last();
        auto *page = new CertificateDetailsDialog(detailsDepth);
        detailsPage = page;
        page->certificateSelected(QModelIndex(currentIndex));
        connect(page, SIGNAL(certificateItemSelected(CertificateItem *)), this, SLOT(saveSelection(CertificateItem *)));
        connect(page, SIGNAL(detailsDone()), this, SLOT(popSelection()));
        const int below = currentPage;
        connect(page, &CertificateDetailsDialog::detailsDone, this, [this, below]() { currentPage = below; });
        return page;
    }
    }
}

CertificatesListWidget *TrustPanel::listPageInstance()
{
    if (!listPage) {
        listPage = new CertificatesListWidget;
        // A menu built for an earlier list page goes on choosing for this one,
        // starting from the kind it shows.
        if (m_typeSelector) {
            connect(m_typeSelector, SIGNAL(currentIndexChanged(int)), listPage, SLOT(selectShowCertificates(int)));
            listPage->selectShowCertificates(m_typeSelector->currentIndex());
        }
    }
    return listPage;
}

// A list page made for the menu before page 0 was asked for gets its
// connections when it becomes page 0; asking for page 0 again adds none.
void TrustPanel::connectListPage()
{
    connect(listPage, SIGNAL(certificateSelected(QModelIndex)), this, SLOT(saveSelection(QModelIndex)),
            Qt::UniqueConnection);
    connect(listPage, SIGNAL(destroyed(QObject *)), this, SLOT(mainWidgetExited()), Qt::UniqueConnection);
}

QVector<ZelvoAction *> TrustPanel::viewMenuItems()
{
    switch (currentPage) {
    case ListPage:
        if (listMenu.isEmpty())
            buildListMenu();
        return listMenu;
    case SettingsPage:
    case FileListPage:
    case InstallPage:
    case UnmanagedDetailsPage:
        return QVector<ZelvoAction *>();
    default:
        break;
    }
    if (keyMenu.isEmpty() || plainMenu.isEmpty())
        buildDetailsMenus();
    const CertificateItem *item = ValidityScreening::itemAt(currentIndex);
    // A certificate shown from a file (not in the store) offers nothing to
    // change; neither does an index that no longer holds one.
    if (!item || !item->stored)
        return QVector<ZelvoAction *>();
    return item->hasKey ? keyMenu : plainMenu;
}

void TrustPanel::buildListMenu()
{
    CertificatesListWidget *page = listPageInstance();
    auto *selector = new ZelvoComboBox;
    selector->setObjectName(QStringLiteral("certificatesDisplayed"));
    selector->setTitle(QStringLiteral("lgd_certman_certificatesdisplayed"));
    // The selector makes its first entry current as it is added: connected
    // first, the list page hears that choice.
    connect(selector, SIGNAL(currentIndexChanged(int)), page, SLOT(selectShowCertificates(int)));
    for (const CertificateTypeEntry *entry = certificateTypeTable; entry->labelId; ++entry)
        selector->addItem(ZelvoLocale::trId(entry->labelId));
    selector->setCurrentIndex(0);
    m_typeSelector = selector;

    auto *selectorAction = new ZelvoWidgetAction(this);
    selectorAction->setWidget(selector);
    selectorAction->setLocation(ZelvoAction::ApplicationMenuLocation);
    connect(selector, SIGNAL(clicked()), selectorAction, SLOT(trigger()));
    listMenu.append(selectorAction);

    listMenu.append(newAction("lgd_certman_command_addcertificate", "importNew", SLOT(openFileListPage())));
}

void TrustPanel::buildDetailsMenus()
{
    // Both are built together, so one empty means both are.
    keyMenu.clear();
    plainMenu.clear();
    ZelvoAction *settings = newAction("lgd_certman_certsettings", "certificateSettings", SLOT(openSettingsPage()));
    ZelvoAction *remove = newAction("lgd_certman_deletecertificate", "deleteCertificate", SLOT(deleteCertificate()));
    ZelvoAction *password = newAction("lgd_certman_changepassword", "changePassword", SLOT(changePassword()));
    keyMenu << settings << remove << password;
    plainMenu << settings << remove;
}

ZelvoAction *TrustPanel::newAction(const char *labelId, const char *objectName, const char *slot)
{
    auto *action = new ZelvoAction(QString::fromLatin1(labelId), this);
    action->setObjectName(QString::fromLatin1(objectName));
    action->setLocation(ZelvoAction::ApplicationMenuLocation);
    connect(action, SIGNAL(triggered()), this, slot);
    return action;
}

void TrustPanel::saveSelection(const QModelIndex &mi)
{
    currentIndex = mi;
}

void TrustPanel::saveSelection(const QModelIndexList &mil)
{
    settingsSelection.clear();
    for (const QModelIndex &index : mil)
        settingsSelection << QPersistentModelIndex(index);
}

// A details page opens a related certificate: its row is found in the list
// page's model when it is stored, else among the chosen file's certificates.
void TrustPanel::saveSelection(CertificateItem *ci)
{
    if (selectionStack.isEmpty())
        selectionStack << currentIndex;
    QModelIndex found;
    if (ci && ci->stored) {
        if (listPage)
            found = listPage->index(ci);
    } else if (ci && installPage) {
        found = installPage->index(ci);
    }
    currentIndex = found;
    selectionStack << currentIndex;
    ++detailsDepth;
}

// Back to the details page below: its certificate is current again, so that
// the menu and its actions are about the certificate shown.
void TrustPanel::popSelection()
{
    if (detailsDepth > 0)
        --detailsDepth;
    if (!selectionStack.isEmpty())
        selectionStack.removeLast();
    if (!selectionStack.isEmpty())
        currentIndex = selectionStack.last();
}

void TrustPanel::openSettingsPage()
{
    settingsSelection.clear();
    settingsSelection << (selectionStack.isEmpty() ? currentIndex : selectionStack.last());
    if (listPage)
        listPage->gotoPage(SettingsPage);
}

void TrustPanel::openFileListPage()
{
    if (listPage)
        listPage->gotoPage(FileListPage);
}

void TrustPanel::mainWidgetExited()
{
    currentPage = ListPage;
    listPage = nullptr;
    ZelvoApplicationWindow *window = ZelvoApplication::activeWindow();
    if (!window) {
        TK_LOG_ERROR("%s: no active window", "mainWidgetExited");
        return;
    }
    if (window->isOrientationLocked())
        window->unlockOrientation();
}

int TrustPanel::currentPageId() const
{
    return currentPage;
}

QModelIndex TrustPanel::selectedIndex() const
{
    return currentIndex;
}

QModelIndexList TrustPanel::settingsSelectionIndexes() const
{
    return plainIndexes(settingsSelection);
}

QModelIndexList TrustPanel::selectionStackIndexes() const
{
    return plainIndexes(selectionStack);
}

unsigned int TrustPanel::nextDetailsLevel() const
{
    return detailsDepth;
}

CertificatesListWidget *TrustPanel::certificatesListPage() const
{
    return listPage;
}

CertificateInstallDialog *TrustPanel::certificateInstallPage() const
{
    return installPage;
}

CertificateDetailsDialog *TrustPanel::certificateDetailsPage() const
{
    return detailsPage;
}

CertificateSettingsDialog *TrustPanel::certificateSettingsPage() const
{
    return settingsPage;
}

CertificateFileListDialog *TrustPanel::certificateFileListPage() const
{
    return fileListPage;
}

ZelvoLocale *TrustPanel::locale() const
{
    return m_locale;
}
