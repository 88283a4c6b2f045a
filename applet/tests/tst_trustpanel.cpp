#include "appletdevice.h"
#include "stderrcapture.h"
#include "testmaterial.h"
#include "widgettesting.h"

#include <certificatedetailsdialog.h>
#include <certificatefilelistdialog.h>
#include <certificateinstalldialog.h>
#include <certificatesettingsdialog.h>
#include <certificateslistwidget.h>
#include <trustpanel.h>

#include <certificatedetailswidget.h>
#include <certificatefile.h>
#include <certificatefilemodel.h>
#include <certificatefilewidget.h>
#include <certificateitem.h>
#include <certificateslist.h>
#include <certificatesmodel.h>
#include <plixbrief.h>
#include <zelvoapplication.h>
#include <zelvoapplicationwindow.h>
#include <zelvobanner.h>
#include <zelvocombobox.h>
#include <zelvolayout.h>
#include <zelvolocale.h>
#include <zelvostylelibrary.h>
#include <zelvowidgetaction.h>

#include <QDirIterator>
#include <QStandardItemModel>
#include <QtTest>

#include <memory>

extern "C" QObject *qt_plugin_instance();

namespace {

using PagePtr = std::unique_ptr<PlixStylableWidget>;

// What the code logs.
template <typename Code> QString logOf(Code code)
{
    qputenv("TRUSTKEEP_LOG_STDERR", "1");
    const QByteArray log = capturedStderr(code);
    qunsetenv("TRUSTKEEP_LOG_STDERR");
    return QString::fromUtf8(log);
}

CertificateItem *itemAt(const QModelIndex &index)
{
    return index.data(CertificateItem::ItemPointer).value<CertificateItem *>();
}

QString nameAt(const QModelIndex &index)
{
    return itemAt(index) ? itemAt(index)->commonName : QString();
}

QModelIndex rowNamed(const QAbstractItemModel *model, const QString &name)
{
    for (int row = 0; row < model->rowCount(); ++row)
        if (nameAt(model->index(row, 0)) == name)
            return model->index(row, 0);
    return QModelIndex();
}

// What a menu offers: each action's object name, or its widget's.
QStringList menuNames(const QVector<ZelvoAction *> &menu)
{
    QStringList names;
    for (ZelvoAction *action : menu) {
        auto *withWidget = qobject_cast<ZelvoWidgetAction *>(action);
        names << (withWidget ? withWidget->widget()->objectName() : action->objectName());
    }
    return names;
}

// The pages a page asked the control panel for.
struct PageRequests : QSignalSpy {
    explicit PageRequests(PlixStylableWidget *page)
        : QSignalSpy(page, SIGNAL(widgetChangeRequested(int)))
    {
    }
    int last() const { return isEmpty() ? -100 : QSignalSpy::last().at(0).toInt(); }
};

// The applet as the control panel holds it: its list page filled by the
// service, and the pages asked for since (released first).
struct Applet {
    TrustPanel panel;
    PagePtr list;
    CertificatesListWidget *listPage = nullptr;
    std::vector<PagePtr> pages;

    Applet()
    {
        panel.init();
        list.reset(panel.constructStylableWidget(0));
        listPage = qobject_cast<CertificatesListWidget *>(list.get());
        if (listPage->certificatesModel()->isPopulating())
            QSignalSpy(listPage->certificatesModel(), SIGNAL(modelPopulated())).wait(60000);
    }
    QModelIndex row(const QString &name) const { return rowNamed(listPage->filterModel(), name); }
    PlixStylableWidget *build(int widgetId)
    {
        pages.emplace_back(panel.constructStylableWidget(widgetId));
        return pages.back().get();
    }
};

QString policyShown(CertificatesListWidget *page)
{
    ZelvoLayout *layout = page->pageLayout();
    if (layout->policy() == page->spinnerPolicy(layout))
        return QStringLiteral("spinner");
    return layout->policy() == page->listPolicy(layout) ? QStringLiteral("list") : QStringLiteral("empty");
}

QString lastBanner(ZelvoApplicationWindow &window)
{
    auto *banner = qobject_cast<ZelvoBanner *>(window.banners().value(window.banners().size() - 1));
    return banner ? banner->objectName() + '|' + banner->title() + '|' + banner->styleName() : QString();
}

} // namespace

class TestTrustPanel : public QObject
{
    Q_OBJECT

    AppletDevice device;
    std::unique_ptr<ZelvoApplicationWindow> window;

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(device.setUp(&error), qPrintable(error));
        // The applet's models and calls use the system bus: here, the test's.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", device.harness.bus().address().toLatin1());
        window.reset(new ZelvoApplicationWindow);
    }

    // One instance while it lives, a new one once it is deleted; it answers
    // to its class, the interface and the interface id, with the interface's
    // null defaults; the toolkit knows its style library but may not make its
    // rows by name.
    void pluginEntry()
    {
        QPointer<QObject> first = qt_plugin_instance();
        QCOMPARE(qt_plugin_instance(), first.data());
        for (const char *name : { "TrustPanel", "PlixAppletIf", PlixAppletIf_iid })
            QVERIFY2(first->qt_metacast(name), name);
        auto *applet = qobject_cast<PlixAppletIf *>(first.data());
        QVERIFY(!applet->constructWidget(0) && !applet->constructSheet(0) && !applet->partID(QStringLiteral("x")));
        QVERIFY(std::unique_ptr<PlixBrief>(applet->constructBrief(7)));
        delete first.data();
        QVERIFY(qt_plugin_instance() && !first);
        delete qt_plugin_instance();

        QCOMPARE(ZelvoStyleLibrary::libraryOf(QStringLiteral("CertificateItemWidget")),
                 QStringLiteral("libtrustpanel"));
        QVERIFY(!ZelvoStyleLibrary::isCreatable(QStringLiteral("CertificateItemWidget")));
    }

    // Every id the product looks up (the applet, the page content it shares,
    // the service's pages and the installer's) is in the applet's own
    // catalog, which the control panel installs alone: no page shows a raw id.
    void catalogHoldsEveryId()
    {
        TrustPanel panel;
        panel.init();
        QCOMPARE(ZelvoLocale::defaultLocale(), panel.locale());
        QSet<QString> ids;
        const QRegularExpression idPattern(QStringLiteral("\"(lgd_[a-z0-9_]+)\""));
        QDirIterator files(QStringLiteral(TRUSTKEEP_SOURCE_DIR), { "*.cpp" }, QDir::Files,
                           QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            QFile file(path);
            if (!path.contains(QRegularExpression("/(applet|common|service|installer)/[a-z_]+\\.cpp$"))
                || !file.open(QIODevice::ReadOnly))
                continue;
            for (auto m = idPattern.globalMatch(QString::fromUtf8(file.readAll())); m.hasNext();)
                ids << m.next().captured(1);
        }
        QVERIFY(ids.size() > 40);
        for (const QString &id : qAsConst(ids))
            QVERIFY2(!panel.locale()->translate(id).isNull(), qPrintable(id));
    }

    // The page table: what each number builds, its title and its menu, for
    // the certificate chosen before it.
    void pageTable_data()
    {
        QTest::addColumn<int>("widgetId");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("titleId");
        QTest::addColumn<QStringList>("menu");
        const QStringList plain = { "certificateSettings", "deleteCertificate" };
        const QStringList key = plain + QStringList("changePassword");
        const QString details = QStringLiteral("lgd_certman_certdetails");
        QTest::newRow("list") << 0 << QString() << "lgd_certman_certificatemanagertitle"
                              << QStringList({ "certificatesDisplayed", "importNew" });
        QTest::newRow("settings") << 1 << AppletDevice::keyHolderName << "lgd_certman_certificatesettings"
                                  << QStringList();
        QTest::newRow("files") << 2 << QString() << "lgd_certman_certificatepackagename" << QStringList();
        QTest::newRow("4: root") << 4 << AppletDevice::rootName << details << QStringList();
        QTest::newRow("4: with key") << 4 << AppletDevice::keyHolderName << details << QStringList();
        QTest::newRow("5: without key") << 5 << AppletDevice::plainName << details << plain;
        QTest::newRow("5: with key") << 5 << AppletDevice::keyHolderName << details << key;
        QTest::newRow("5: from a file") << 5 << AppletDevice::importLeafName << details << QStringList();
        QTest::newRow("5: nothing chosen") << 5 << QString() << details << QStringList();
        QTest::newRow("8: nested") << 8 << AppletDevice::keyHolderName << details << key;
        QTest::newRow("-3: other") << -3 << AppletDevice::plainName << details << plain;
    }

    void pageTable()
    {
        QFETCH(int, widgetId);
        QFETCH(QString, chosen);
        QFETCH(QString, titleId);
        QFETCH(QStringList, menu);
        Applet applet;
        QModelIndex index = applet.row(chosen);
        // A certificate of a file, not in the store, as the install page shows it.
        CertificateFile file(device.importFile());
        QStandardItemModel files(1, 1);
        files.setData(files.index(0, 0), QVariant::fromValue(&file), CertificateFileModel::FileRole);
        CertificateInstallDialog filePage;
        QVERIFY(filePage.certificateFileSelected(files.index(0, 0)));
        for (CertificateItem *item : file.certificates())
            if (item->commonName == chosen)
                index = filePage.index(item);
        QCOMPARE(index.isValid(), !chosen.isEmpty());

        applet.panel.saveSelection(index);
        applet.panel.saveSelection(QModelIndexList({ index }));
        QVERIFY(widgetId == 0 || applet.build(widgetId));
        QCOMPARE(applet.panel.currentPageId(), widgetId);
        QCOMPARE(applet.panel.title(), ZelvoLocale::trId(titleId).replace(QLatin1String("%1"), QString()));
        QVERIFY(!applet.panel.title().contains(QLatin1String("lgd_")));
        QCOMPARE(menuNames(applet.panel.viewMenuItems()), menu);
        if (auto *details =
                qobject_cast<CertificateDetailsDialog *>(applet.pages.empty() ? nullptr : applet.pages.back().get()))
            QCOMPARE(details->detailsWidget()->certificate() ? details->detailsWidget()->certificate()->commonName
                                                             : QString(),
                     chosen);
    }

    // Page 0 is built once while it lives, also when the menu asked first;
    // its menu chooses the kind shown, for a later list page too. Pages lock
    // the window to portrait; losing the list page unlocks it.
    void listPageAndItsMenu()
    {
        TrustPanel panel;
        window->unlockOrientation();
        window->setLandscapeOrientation();
        QCOMPARE(menuNames(panel.viewMenuItems()), QStringList({ "certificatesDisplayed", "importNew" }));
        QPointer<CertificatesListWidget> early = panel.certificatesListPage();
        QCOMPARE(early->typeShown(), AllCertificates);
        QVERIFY(!window->isOrientationLocked());

        PagePtr page(panel.constructStylableWidget(0));
        QCOMPARE(page.get(), early.data());
        QCOMPARE(panel.constructStylableWidget(0), early.data());
        QVERIFY(window->isPortrait() && window->isOrientationLocked());
        QCOMPARE(panel.viewMenuItems(), panel.viewMenuItems());

        PagePtr details(panel.constructStylableWidget(5));
        page.reset();
        QVERIFY(!panel.certificatesListPage() && !window->isOrientationLocked());
        QCOMPARE(panel.currentPageId(), 0);

        PagePtr again(panel.constructStylableWidget(0));
        QVERIFY(again && again.get() != early.data());
        qobject_cast<ZelvoComboBox *>(qobject_cast<ZelvoWidgetAction *>(panel.viewMenuItems().first())->widget())
            ->setCurrentIndex(2);
        QCOMPARE(qobject_cast<CertificatesListWidget *>(again.get())->typeShown(), UserCertificates);
    }

    void withoutActiveWindow()
    {
        TrustPanel panel;
        window.reset();
        const QString log = logOf([&] {
            PagePtr page(panel.constructStylableWidget(4));
            PagePtr list(panel.constructStylableWidget(0));
        });
        window.reset(new ZelvoApplicationWindow);
        QVERIFY2(log.contains(
                     QRegularExpression("^trustpanel\\(\\d+\\): ERROR constructStylableWidget: no active window\n")),
                 qPrintable(log));
        QVERIFY2(log.contains(QLatin1String("ERROR mainWidgetExited: no active window\n")), qPrintable(log));
    }

    // Related certificates opened from details pages stack up; going back
    // takes them off again, and title, menu and actions are about the page
    // shown; the settings page opened on top edits the top certificate.
    void selectionStack()
    {
        Applet applet;
        TrustPanel &panel = applet.panel;
        panel.saveSelection(applet.row(AppletDevice::keyHolderName));
        const QStringList chain = { AppletDevice::keyHolderName, AppletDevice::intermediateName,
                                    AppletDevice::rootName };
        int widgetId = 5;
        for (int level = 0; level < chain.size(); ++level) {
            auto *details = qobject_cast<CertificateDetailsDialog *>(applet.build(widgetId));
            QCOMPARE(details->level(), unsigned(level));
            QCOMPARE(details->detailsWidget()->certificate()->commonName, chain.at(level));
            if (level + 1 == chain.size())
                break;
            PageRequests requests(details);
            details->certificateSelected(details->detailsWidget()->relatedCertificates().value(0));
            widgetId = requests.last();
            QCOMPARE(widgetId, level + 6);
            QCOMPARE(panel.selectionStackIndexes().size(), level + 2);
            QCOMPARE(panel.nextDetailsLevel(), unsigned(level + 1));
        }
        QCOMPARE(nameAt(panel.selectionStackIndexes().first()), chain.first());

        PageRequests requests(applet.listPage);
        panel.openSettingsPage();
        QCOMPARE(requests.last(), 1);
        QCOMPARE(nameAt(panel.settingsSelectionIndexes().value(0)), chain.last());

        // After each back: stack size, next depth, page shown, certificate chosen.
        const QList<QList<int>> afterBack = { { 2, 1, 6, 1 }, { 1, 0, 5, 0 }, { 0, 0, 0, 0 } };
        for (int i = 0; i < 3; ++i) {
            QVERIFY(applet.pages.at(2 - i)->back());
            QCOMPARE(panel.selectionStackIndexes().size(), afterBack[i][0]);
            QCOMPARE(int(panel.nextDetailsLevel()), afterBack[i][1]);
            QCOMPARE(panel.currentPageId(), afterBack[i][2]);
            QCOMPARE(nameAt(panel.selectedIndex()), chain.at(afterBack[i][3]));
        }
        panel.popSelection();
        QCOMPARE(panel.nextDetailsLevel(), 0u);

        auto *settings = qobject_cast<CertificateSettingsDialog *>(applet.build(1));
        QCOMPARE(settings->certificates().value(0)->commonName, chain.last());
        QVERIFY(settings->back());
        QCOMPARE(panel.currentPageId(), 0);

        auto *details = qobject_cast<CertificateDetailsDialog *>(applet.pages.front().get());
        PageRequests toList(details);
        details->certificateDeleted();
        QCOMPARE(toList.last(), 0);
    }

    // The kind shown: the first choice leaves the spinner to the filling
    // model, later ones re-choose at once; out-of-range choices do nothing.
    void kindChoices_data()
    {
        QTest::addColumn<QList<int>>("choices");
        QTest::addColumn<int>("typeShown");
        QTest::addColumn<QString>("policy");
        QTest::newRow("first choice") << QList<int>{ 1 } << 1 << "spinner";
        QTest::newRow("second choice while filling") << QList<int>{ 1, 2 } << 2 << "empty";
        QTest::newRow("5 ignored") << QList<int>{ 1, 5 } << 1 << "spinner";
        QTest::newRow("-1 ignored") << QList<int>{ 1, -1 } << 1 << "spinner";
        QTest::newRow("4 taken") << QList<int>{ 0, 4 } << 4 << "empty";
    }

    void kindChoices()
    {
        QFETCH(QList<int>, choices);
        QFETCH(int, typeShown);
        QFETCH(QString, policy);
        CertificatesListWidget page;
        QVERIFY(page.certificatesModel()->isPopulating());
        for (int choice : choices)
            page.selectShowCertificates(choice);
        QCOMPARE(int(page.typeShown()), typeShown);
        QCOMPARE(int(page.filterModel()->certificateType()), typeShown);
        QCOMPARE(policyShown(&page), policy);
    }

    // Rows go by an index of either model; an index of any other model takes
    // nothing away. The last row gone shows the empty text, a first row added
    // the list again. A certificate the model lacks is logged.
    void rowsRemovedAndAdded()
    {
        Applet applet;
        CertificatesListWidget *page = applet.listPage;
        page->selectShowCertificates(2); // user certificates: the key holder and the plain one
        QCOMPARE(page->filterModel()->rowCount(), 2);
        QStandardItemModel foreign(3, 1);
        page->removeCert(foreign.index(0, 0));
        page->removeCert(QModelIndex());
        QCOMPARE(page->certificatesModel()->rowCount(), 5);
        // Every row, sorted by name: the row's place there is not its place in
        // the model, so the two cannot be taken for each other unseen.
        page->selectShowCertificates(0);
        const QModelIndex plain = applet.row(AppletDevice::plainName);
        QVERIFY(page->filterModel()->mapToSource(plain).row() != plain.row());
        page->removeCert(plain);
        QVERIFY(!rowNamed(page->certificatesModel(), AppletDevice::plainName).isValid());
        QCOMPARE(page->certificatesModel()->rowCount(), 4);
        page->selectShowCertificates(2);
        QCOMPARE(page->filterModel()->rowCount(), 1);
        QCOMPARE(nameAt(page->filterModel()->index(0, 0)), QString(AppletDevice::keyHolderName));
        QCOMPARE(policyShown(page), QStringLiteral("list"));
        page->removeCert(rowNamed(page->certificatesModel(), AppletDevice::keyHolderName));
        QCOMPARE(page->filterModel()->rowCount(), 0);
        QCOMPARE(policyShown(page), QStringLiteral("empty"));

        CertificateItem item;
        item.setCertificate(CertificateFactory::makeSelfSigned(CertificateFactory::Options()).certificate.data());
        foreign.setData(foreign.index(2, 0), QVariant::fromValue(&item), CertificateItem::ItemPointer);
        page->addCert(foreign.index(2, 0));
        QCOMPARE(page->filterModel()->rowCount(), 1);
        QCOMPARE(policyShown(page), QStringLiteral("list"));
        QVERIFY(page->index(&item).isValid());

        CertificateItem stranger;
        stranger.setCertificate(CertificateFactory::makeSelfSigned(CertificateFactory::Options()).certificate.data());
        QModelIndex found;
        const QString log = logOf([&] { found = page->index(&stranger); });
        QVERIFY(!found.isValid());
        CertificateItem empty;
        QVERIFY(!page->index(&empty).isValid() && !page->index(nullptr).isValid());
        const QString name = stranger.attribute(CertificateItem::DisplayStrings).toStringList().join(' ');
        QCOMPARE(log.section(QLatin1Char(' '), 1), QStringLiteral("ERROR index: %1 not found in model\n").arg(name));
        QVERIFY(log.startsWith(QLatin1String("certificateslistwidget(")));
    }

    // A tap reports the row before the page is asked for, so the applet
    // knows the certificate of the page it builds; certificates the user may
    // not manage get the page without a menu.
    void tapOnRow_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("widgetId");
        QTest::newRow("root") << AppletDevice::rootName << 4;
        QTest::newRow("manageable") << AppletDevice::keyHolderName << 5;
        QTest::newRow("trust record") << AppletDevice::serverName << 4;
    }

    void tapOnRow()
    {
        QFETCH(QString, name);
        QFETCH(int, widgetId);
        Applet applet;
        QStringList events;
        connect(applet.listPage, &CertificatesListWidget::certificateSelected, this,
                [&](const QModelIndex &mi) { events << "selected " + nameAt(mi); });
        connect(applet.listPage, &PlixStylableWidget::widgetChangeRequested, this, [&](int id) {
            events << QStringLiteral("page %1 for %2").arg(id).arg(nameAt(applet.panel.selectedIndex()));
        });
        const QModelIndex row = applet.row(name);
        applet.listPage->listWidget()->selectionModel()->select(row, QItemSelectionModel::Select);
        emit applet.listPage->listWidget()->itemClicked(row);
        QCOMPARE(events, QStringList({ "selected " + name, QStringLiteral("page %1 for %2").arg(widgetId).arg(name) }));
        QVERIFY(applet.listPage->listWidget()->selectedIndexes().isEmpty());
    }

    // The install page is built only for a file it can show: none chosen or
    // one gone since the scan gives no page and leaves the page built last.
    void installPageForChosenFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("removedAfterScan");
        QTest::newRow("readable") << "import.pem" << false;
        QTest::newRow("gone since the scan") << "gone.pem" << true;
        QTest::newRow("none chosen") << QString() << false;
    }

    void installPageForChosenFile()
    {
        QFETCH(QString, file);
        QFETCH(bool, removedAfterScan);
        const QString gone = device.harness.root().home() + QStringLiteral("/certificates/gone.pem");
        QFile::remove(gone);
        QVERIFY(QFile::copy(device.importFile(), gone));
        TrustPanel panel;
        PagePtr files(panel.constructStylableWidget(2));
        auto *fileList = qobject_cast<CertificateFileListDialog *>(files.get());
        QVERIFY(fileList->isProgressIndicatorVisible());
        QVERIFY(QSignalSpy(fileList->fileModel(), SIGNAL(modelPopulated())).wait(30000));
        QVERIFY(!fileList->isProgressIndicatorVisible());
        if (removedAfterScan)
            QVERIFY(QFile::remove(gone));
        const QModelIndexList chosen = fileList->fileModel()->match(fileList->fileModel()->index(0, 0), Qt::DisplayRole,
                                                                    file.isEmpty() ? QStringLiteral("-") : file);
        QCOMPARE(chosen.size(), file.isEmpty() ? 0 : 1);
        PageRequests requests(fileList);
        fileList->fileItemClicked(chosen.value(0));
        QCOMPARE(requests.last(), 3);

        const bool readable = file == QLatin1String("import.pem");
        PagePtr install(panel.constructStylableWidget(3));
        QCOMPARE(bool(install), readable);
        QCOMPARE(panel.currentPageId(), readable ? 3 : 2);
        QCOMPARE(panel.certificateInstallPage() ? panel.certificateInstallPage()->fileWidget()->file()->count() : 0,
                 readable ? 2 : 0);
        if (!readable)
            return;
        // A related certificate of the same file is found among the file's.
        auto *installPage = panel.certificateInstallPage();
        installPage->openDetailsPage(installPage->index(installPage->fileWidget()->file()->certificates().value(0)));
        PagePtr leaf(panel.constructStylableWidget(5));
        auto *details = qobject_cast<CertificateDetailsDialog *>(leaf.get());
        details->certificateSelected(details->detailsWidget()->relatedCertificates().value(0));
        PagePtr issuer(panel.constructStylableWidget(6));
        QCOMPARE(nameAt(panel.selectedIndex()), QStringLiteral("Import CA"));
        QCOMPARE(qobject_cast<CertificateDetailsDialog *>(issuer.get())->detailsWidget()->certificate()->commonName,
                 QStringLiteral("Import CA"));
        QVERIFY(panel.viewMenuItems().isEmpty());
    }

    // The install page reports before it asks: a details request, the
    // screened picks in the order picked (valid ones need no question), a
    // cancel closes it.
    void installPageRequests()
    {
        CertificateFile file(device.importFile());
        QStandardItemModel files(1, 1);
        files.setData(files.index(0, 0), QVariant::fromValue(&file), CertificateFileModel::FileRole);
        CertificateInstallDialog page;
        QVERIFY(page.certificateFileSelected(files.index(0, 0)));
        const QModelIndex leaf = page.index(file.certificates().value(0)),
                          ca = page.index(file.certificates().value(1));
        QStringList events;
        connect(&page, &CertificateInstallDialog::certificateSelected, this,
                [&](const QModelIndex &mi) { events << nameAt(mi); });
        connect(&page, &CertificateInstallDialog::installCertificates, this, [&](const QModelIndexList &mil) {
            for (const QModelIndex &mi : mil)
                events << nameAt(mi);
        });
        connect(&page, &PlixStylableWidget::widgetChangeRequested, this,
                [&](int id) { events << QString::number(id); });
        connect(&page, &PlixStylableWidget::closeRequested, this, [&]() { events << QStringLiteral("close"); });
        emit page.fileWidget()->certificateSelected(leaf);
        emit page.fileWidget()->installCertificates({ ca, leaf });
        emit page.fileWidget()->operationCancelled();
        QCOMPARE(events, QStringList({ nameAt(leaf), "5", nameAt(ca), nameAt(leaf), "1", "close" }));
        QCOMPARE(nameAt(leaf), QString(AppletDevice::importLeafName));
    }

    // The settings page offers the first certificate's purposes (all four
    // when it has none) and a preference only once a certificate has a key;
    // leaving it reports the choice.
    void settingsOffered_data()
    {
        QTest::addColumn<QList<QStringList>>("purposes");
        QTest::addColumn<QList<int>>("preferences"); // -1: no key
        QTest::addColumn<QStringList>("offered");
        QTest::addColumn<int>("preference"); // -1: not shown
        const QStringList all = { "ssl", "wifi", "smime", "codesign" };
        QTest::newRow("no purposes, no key") << QList<QStringList>{ {} } << QList<int>{ -1 } << all << -1;
        QTest::newRow("key") << QList<QStringList>{ { "wifi" } } << QList<int>{ 1 } << QStringList{ "wifi" } << 1;
        QTest::newRow("first decides the purposes")
            << QList<QStringList>{ { "smime" }, { "ssl" } } << QList<int>{ -1, -1 } << QStringList{ "smime" } << -1;
        QTest::newRow("key, then one without") // the last one's -1 starts the chooser on 2
            << QList<QStringList>{ {}, { "ssl" } } << QList<int>{ 0, -1 } << all << 2;
        QTest::newRow("without, then key")
            << QList<QStringList>{ { "ssl" }, {} } << QList<int>{ -1, 1 } << QStringList{ "ssl" } << 1;
    }

    void settingsOffered()
    {
        QFETCH(QList<QStringList>, purposes);
        QFETCH(QList<int>, preferences);
        QFETCH(QStringList, offered);
        QFETCH(int, preference);
        QStandardItemModel model(purposes.size() + 1, 1); // the last row carries no certificate
        std::vector<std::unique_ptr<CertificateItem>> items;
        QModelIndexList indexes;
        for (int i = 0; i < model.rowCount(); ++i) {
            if (i < purposes.size()) {
                items.emplace_back(new CertificateItem);
                items.back()->purposes = purposes.at(i);
                items.back()->hasKey = preferences.at(i) >= 0;
                items.back()->authPreference = preferences.at(i);
                model.setData(model.index(i, 0), QVariant::fromValue(items.back().get()), CertificateItem::ItemPointer);
            }
            indexes << model.index(i, 0);
        }
        CertificateSettingsDialog page;
        page.setCertificates(indexes);
        QCOMPARE(page.certificates().size(), purposes.size());
        QSignalSpy chosen(&page, SIGNAL(newSettings(QStringList, int)));
        QVERIFY(page.back());
        QCOMPARE(chosen.value(0).value(0).toStringList(), offered);
        QCOMPARE(chosen.value(0).value(1).toInt(), preference);
    }

    // Certificate actions where the control panel's menus never lead: a root
    // certificate or a key-less one behind the actions, no certificate at
    // all, and the preference move other components invoke by name.
    void refusals()
    {
        TrustPanel panel;
        WidgetTesting::DialogAnswerer cancel;
        cancel.enqueue({ false, {}, {}, {} });
        const auto made = CertificateFactory::makeCa(QStringLiteral("Refused Root"));
        CertificateItem item;
        QVERIFY(item.setCertificate(made.certificate.data()));
        item.stored = true;
        QStandardItemModel rows(1, 1);
        rows.setData(rows.index(0, 0), QVariant::fromValue(&item), CertificateItem::ItemPointer);
        rows.setData(rows.index(0, 0), 0, CertificateItem::Manageable);

        panel.saveSelection(rows.index(0, 0));
        panel.deleteCertificate();
        QCOMPARE(lastBanner(*window),
                 QStringLiteral("rootDeleteInfoBanner|lgd_certman_banner_rootdelete|InformationBanner"));
        panel.changePassword();
        QCOMPARE(lastBanner(*window), QStringLiteral("|lgd_certman_issuer_none|InformationBanner"));

        // Nothing chosen: nothing asked, nothing shown.
        const int banners = window->banners().size();
        panel.saveSelection(QModelIndex());
        panel.deleteCertificate();
        panel.changePassword();
        QCOMPARE(window->banners().size(), banners);
        QVERIFY(!panel.preferenceChanged(nullptr, 0));
        QCOMPARE(cancel.answered(), 0);

        // An item that cannot be serialized (it has no certificate) is never sent.
        CertificateItem empty;
        rows.setData(rows.index(0, 0), QVariant::fromValue(&empty), CertificateItem::ItemPointer);
        panel.saveSelection(QModelIndexList({ rows.index(0, 0) }));
        const QString log = logOf([&] { panel.settingsChanged({ QStringLiteral("ssl") }, -1); });
        QVERIFY2(
            log.contains(QRegularExpression("^trustpanel\\(\\d+\\): ERROR settingsChanged: could not serialize the "
                                            "certificate$",
                                            QRegularExpression::MultilineOption)),
            qPrintable(log));
        QVERIFY(empty.purposes.isEmpty() && !empty.stored);
    }

    // A new key for "password prompt" goes into the store under the
    // password chosen in the dialog; a cancelled dialog stores nothing.
    void preferenceByName()
    {
        TemporaryDeviceRoot root;
        TrustPanel panel;
        const auto made = CertificateFactory::makeSelfSigned(CertificateFactory::Options());
        CertificateItem item;
        QVERIFY(item.setCertificate(made.certificate.data()) && item.setPrivateKey(made.key.data()));
        WidgetTesting::DialogAnswerer typed;
        typed.enqueue({ false, {}, {}, {} });
        auto move = [&] {
            bool moved = false;
            const bool invoked = QMetaObject::invokeMethod(&panel, "preferenceChanged", Q_RETURN_ARG(bool, moved),
                                                           Q_ARG(CertificateItem *, &item), Q_ARG(int, 2));
            return invoked && moved;
        };
        QVERIFY(!move());
        QCOMPARE(item.authPreference, -1);
        typed.enqueue({ true, {}, QStringLiteral("chosen"), QStringLiteral("chosen") });
        QVERIFY(move());
        QCOMPARE(typed.answered(), 2);
        QCOMPARE(item.authPreference, 2);
        QVERIFY(StoreProbe::keyOpensWith(item.keyId, "chosen"));
    }
};

int main(int argc, char *argv[])
{
    ZelvoApplication app(argc, argv, QStringLiteral("tst_trustpanel"));
    TestTrustPanel test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_trustpanel.moc"
