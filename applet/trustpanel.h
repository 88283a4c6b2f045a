#ifndef TRUSTPANEL_H
#define TRUSTPANEL_H

#include <plixappletif.h>

#include <QList>
#include <QModelIndex>
#include <QModelIndexList>
#include <QObject>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QStringList>
#include <QVector>

class CertificateDetailsDialog;
class CertificateFileListDialog;
class CertificateInstallDialog;
class CertificateItem;
class CertificateSettingsDialog;
class CertificatesListWidget;
class ZelvoComboBox;
class ZelvoLocale;

// The certificate manager's applet of the settings control panel. The control
// panel asks it for pages by number, for their titles and their menus; it
// builds the pages, wires them to its slots and keeps which certificate every
// page and menu action is about:
//
//   0  the certificate list             3  the certificates of a chosen file
//   1  purposes of the chosen ones      4  details, no menu (root certificates)
//   2  certificate files in the home    5  details with the details menu
//   n >= 6: details of a certificate related to the one on the details page
//   of level n - 6; any other number: details as page 5
//
// Indexes it keeps may belong to the list page's models or to the install
// page's; the certificate is always read through the index's item role. An
// index whose model has gone becomes invalid rather than dangling, and a page
// the control panel has destroyed is forgotten.
class TrustPanel : public QObject, public PlixAppletIf
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID PlixAppletIf_iid FILE "trustpanel.json")
    Q_INTERFACES(PlixAppletIf)

public:
    TrustPanel();
    ~TrustPanel() override;

    void init() override;
    QString title() const override;
    QVector<ZelvoAction *> viewMenuItems() override;
    PlixBrief *constructBrief(int partId = 0) override;
    PlixStylableWidget *constructStylableWidget(int widgetId) override;

    // What the applet holds now, for the pages' owner and for tests.
    int currentPageId() const;
    QModelIndex selectedIndex() const;
    QModelIndexList settingsSelectionIndexes() const;
    QModelIndexList selectionStackIndexes() const;
    unsigned int nextDetailsLevel() const;
    CertificatesListWidget *certificatesListPage() const;
    CertificateInstallDialog *certificateInstallPage() const;
    CertificateDetailsDialog *certificateDetailsPage() const;
    CertificateSettingsDialog *certificateSettingsPage() const;
    CertificateFileListDialog *certificateFileListPage() const;
    ZelvoLocale *locale() const;

public slots:
    void saveSelection(const QModelIndex &mi);
    void saveSelection(const QModelIndexList &mil);
    void saveSelection(CertificateItem *ci);
    void settingsChanged(const QStringList &purposes, int idx);
    bool preferenceChanged(CertificateItem *ci, int idx);
    void mainWidgetExited();
    void deleteCertificate();
    void changePassword();
    void openSettingsPage();
    void openFileListPage();
    void popSelection();

private:
    PlixStylableWidget *buildPage(int widgetId);
    CertificatesListWidget *listPageInstance();
    void connectListPage();
    void lockPortrait();
    void buildListMenu();
    void buildDetailsMenus();
    ZelvoAction *newAction(const char *labelId, const char *objectName, const char *slot);

    int currentPage;
    QPointer<CertificatesListWidget> listPage;
    QPointer<CertificateFileListDialog> fileListPage;
    QPointer<CertificateInstallDialog> installPage;
    QPointer<CertificateDetailsDialog> detailsPage;
    QPointer<CertificateSettingsDialog> settingsPage;
    QPersistentModelIndex currentIndex;
    QList<QPersistentModelIndex> settingsSelection;
    QList<QPersistentModelIndex> selectionStack;
    QVector<ZelvoAction *> listMenu;
    QVector<ZelvoAction *> keyMenu;
    QVector<ZelvoAction *> plainMenu;
    unsigned int detailsDepth;

    ZelvoLocale *m_locale;
    QPointer<ZelvoComboBox> m_typeSelector;
};

#endif
