#include "appletdevice.h"

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
#include <certificatesettingswidget.h>
#include <certificatesmodel.h>
#include <plixbrief.h>
#include <zelvoaction.h>
#include <zelvoapplication.h>
#include <zelvoapplicationwindow.h>
#include <zelvocombobox.h>
#include <zelvolayout.h>
#include <zelvolocale.h>
#include <zelvostylelibrary.h>
#include <zelvowidgetaction.h>

#include <QDirIterator>
#include <QMetaMethod>
#include <QRegularExpression>
#include <QStandardItemModel>
#include <QtTest>

#include <cstdio>
#include <memory>
#include <unistd.h>

extern "C" QObject *qt_plugin_instance();

namespace {

using PagePtr = std::unique_ptr<PlixStylableWidget>;

// Runs the code with standard error sent to a file and the log copied there.
template <typename Code> QByteArray logOf(Code code)
{
    QTemporaryFile file;
    if (!file.open())
        return "<no capture file>";
    qputenv("TRUSTKEEP_LOG_STDERR", "1");
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(file.handle(), STDERR_FILENO);
    code();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    qunsetenv("TRUSTKEEP_LOG_STDERR");
    file.seek(0);
    return file.readAll();
}

CertificateItem *itemAt(const QModelIndex &index)
{
    return index.data(CertificateItem::ItemPointer).value<CertificateItem *>();
}

QModelIndex rowNamed(const QAbstractItemModel *model, const QString &name)
{
    for (int row = 0; model && row < model->rowCount(); ++row) {
        const QModelIndex index = model->index(row, 0);
        if (CertificateItem *item = itemAt(index); item && item->commonName == name)
            return index;
    }
    return QModelIndex();
}

// The list page of the panel, once its model has been filled by the service.
CertificatesListWidget *filledListPage(TrustPanel &panel, PagePtr &owner)
{
    owner.reset(panel.constructStylableWidget(0));
    auto *page = qobject_cast<CertificatesListWidget *>(owner.get());
    if (page && page->certificatesModel()->isPopulating()) {
        QSignalSpy filled(page->certificatesModel(), SIGNAL(modelPopulated()));
        filled.wait(60000);
    }
    return page;
}

// What a menu offers: each action's object name, or its widget's.
QStringList menuNames(const QVector<ZelvoAction *> &menu)
{
    QStringList names;
    for (ZelvoAction *action : menu) {
        auto *widgetAction = qobject_cast<ZelvoWidgetAction *>(action);
        names << (widgetAction && widgetAction->widget() ? widgetAction->widget()->objectName() : action->objectName());
    }
    return names;
}

// The page the applet's page asked the control panel for, as a control
// panel would take it.
struct PageRequests {
    explicit PageRequests(PlixStylableWidget *page)
        : spy(page, SIGNAL(widgetChangeRequested(int)))
    {
    }
    int last() const { return spy.isEmpty() ? -100 : spy.last().at(0).toInt(); }
    QSignalSpy spy;
};

} // namespace

class TestTrustPanel : public QObject
{
    Q_OBJECT

    AppletDevice device;
    std::unique_ptr<ZelvoApplicationWindow> window;

    bool onPolicy(CertificatesListWidget *page, const QString &policy)
    {
        ZelvoLayout *layout = page->pageLayout();
        if (policy == QLatin1String("spinner"))
            return layout->policy() == page->spinnerPolicy(layout);
        if (policy == QLatin1String("list"))
            return layout->policy() == page->listPolicy(layout);
        return layout->policy() == page->emptyPolicy(layout);
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(device.setUp(&error), qPrintable(error));
        // The applet's models and calls use the system bus: here, the test's.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", device.bus.address().toLatin1());
        window.reset(new ZelvoApplicationWindow);
    }

    // One instance while it lives, a new one after it was deleted; it
    // answers to its class, the interface and the interface id; the toolkit
    // knows its style library but may not make its rows by name.
    void pluginEntry()
    {
        QPointer<QObject> first = qt_plugin_instance();
        QVERIFY(first);
        QCOMPARE(qt_plugin_instance(), first.data());
        for (const char *name : { "TrustPanel", "PlixAppletIf", PlixAppletIf_iid })
            QVERIFY2(first->qt_metacast(name), name);
        auto *applet = qobject_cast<PlixAppletIf *>(first.data());
        QVERIFY(applet);
        QVERIFY(!applet->constructWidget(0));
        QVERIFY(!applet->constructSheet(0));
        QCOMPARE(applet->partID(QStringLiteral("any")), 0);
        QCOMPARE(applet->interfaceVersion(), 10);
        std::unique_ptr<PlixBrief> brief(applet->constructBrief(7));
        QVERIFY(brief);
        delete first.data();
        QVERIFY(!first);
        QVERIFY(qt_plugin_instance());
        delete qt_plugin_instance();

        QCOMPARE(ZelvoStyleLibrary::libraryOf(QStringLiteral("CertificateItemWidget")), QStringLiteral("libtrustpanel"));
        QVERIFY(!ZelvoStyleLibrary::isCreatable(QStringLiteral("CertificateItemWidget")));
    }

    // Other components reach the slots by name: order, types and argument
    // names are part of the interface.
    void publicSlotsInOrder()
    {
        const QMetaObject &meta = TrustPanel::staticMetaObject;
        QStringList publicSlots;
        for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
            const QMetaMethod method = meta.method(i);
            if (method.methodType() != QMetaMethod::Slot || method.access() != QMetaMethod::Public)
                continue;
            QStringList arguments;
            for (int a = 0; a < method.parameterCount(); ++a)
                arguments << method.parameterTypes().at(a) + ' ' + method.parameterNames().at(a);
            publicSlots << QStringLiteral("%1 %2(%3)").arg(QLatin1String(method.typeName()), QLatin1String(method.name()),
                                                    arguments.join(QLatin1Char(',')));
        }
        QCOMPARE(publicSlots, QStringList({ "void saveSelection(QModelIndex mi)", "void saveSelection(QModelIndexList mil)",
                                      "void saveSelection(CertificateItem* ci)",
                                      "void settingsChanged(QStringList purposes,int idx)",
                                      "bool preferenceChanged(CertificateItem* ci,int idx)", "void mainWidgetExited()",
                                      "void deleteCertificate()", "void changePassword()", "void openSettingsPage()",
                                      "void openFileListPage()", "void popSelection()" }));
    }

    // Every id the applet and the shared page content look up is in the
    // applet's own catalog, so no page ever shows a raw id.
    void catalogHoldsEveryId()
    {
        TrustPanel panel;
        panel.init();
        QCOMPARE(ZelvoLocale::defaultLocale(), panel.locale());
        QSet<QString> ids;
        const QRegularExpression idPattern(QStringLiteral("\"(lgd_[a-z0-9_]+)\""));
        for (const char *folder : { "/applet", "/common" }) {
            QDirIterator files(QStringLiteral(TRUSTKEEP_SOURCE_DIR) + QLatin1String(folder), { "*.cpp" });
            while (files.hasNext()) {
                QFile file(files.next());
                QVERIFY(file.open(QIODevice::ReadOnly));
                auto matches = idPattern.globalMatch(QString::fromUtf8(file.readAll()));
                while (matches.hasNext())
                    ids << matches.next().captured(1);
            }
        }
        QVERIFY(ids.size() > 20);
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
        const QStringList listMenu = { "certificatesDisplayed", "importNew" };
        const QStringList plainMenu = { "certificateSettings", "deleteCertificate" };
        const QStringList keyMenu = plainMenu + QStringList("changePassword");
        const QString details = QStringLiteral("lgd_certman_certdetails");
        QTest::newRow("list") << 0 << QString() << "lgd_certman_certificatemanagertitle" << listMenu;
        QTest::newRow("settings") << 1 << AppletDevice::keyHolderName << "lgd_certman_certificatesettings" << QStringList();
        QTest::newRow("files") << 2 << QString() << "lgd_certman_certificatepackagename" << QStringList();
        QTest::newRow("4: root") << 4 << AppletDevice::rootName << details << QStringList();
        QTest::newRow("4: with key") << 4 << AppletDevice::keyHolderName << details << QStringList();
        QTest::newRow("5: without key") << 5 << AppletDevice::plainName << details << plainMenu;
        QTest::newRow("5: with key") << 5 << AppletDevice::keyHolderName << details << keyMenu;
        QTest::newRow("5: from a file") << 5 << AppletDevice::importLeafName << details << QStringList();
        QTest::newRow("5: nothing chosen") << 5 << QString() << details << QStringList();
        QTest::newRow("8: nested") << 8 << AppletDevice::keyHolderName << details << keyMenu;
        QTest::newRow("-3: other") << -3 << AppletDevice::plainName << details << plainMenu;
    }

    void pageTable()
    {
        QFETCH(int, widgetId);
        QFETCH(QString, chosen);
        QFETCH(QString, titleId);
        QFETCH(QStringList, menu);
        TrustPanel panel;
        panel.init();
        PagePtr list;
        CertificatesListWidget *listPage = filledListPage(panel, list);
        QVERIFY(listPage);
        QModelIndex index = rowNamed(listPage->filterModel(), chosen);
        // A certificate of a file, not in the store, as the install page shows it.
        CertificateFile file(device.importFile());
        QStandardItemModel files;
        auto *fileRow = new QStandardItem;
        fileRow->setData(QVariant::fromValue(&file), CertificateFileModel::FileRole);
        files.appendRow(fileRow);
        CertificateInstallDialog filePage;
        if (chosen == QLatin1String(AppletDevice::importLeafName)) {
            QVERIFY(filePage.certificateFileSelected(files.index(0, 0)));
            for (CertificateItem *item : file.certificates())
                if (item->commonName == chosen)
                    index = filePage.index(item);
        }
        QCOMPARE(index.isValid(), !chosen.isEmpty());
        panel.saveSelection(index);
        panel.saveSelection(QModelIndexList({ index }));
        PagePtr page(widgetId == 0 ? nullptr : panel.constructStylableWidget(widgetId));
        QVERIFY(widgetId == 0 || page);
        QCOMPARE(panel.currentPageId(), widgetId);
        const QString expectedTitle = titleId.endsWith(QLatin1String("packagename"))
            ? ZelvoLocale::trId(titleId).arg(QString())
            : ZelvoLocale::trId(titleId);
        QCOMPARE(panel.title(), expectedTitle);
        QVERIFY(!panel.title().contains(QLatin1String("lgd_")) && !panel.title().contains(QLatin1Char('%')));
        QCOMPARE(menuNames(panel.viewMenuItems()), menu);
        if (auto *details = qobject_cast<CertificateDetailsDialog *>(page.get())) {
            CertificateItem *shown = details->detailsWidget()->certificate();
            QCOMPARE(shown ? shown->commonName : QString(), chosen);
        }
    }
    // Page 0 is built once while it lives, also when the menu asked first;
    // its menu chooses the kind shown, for a later list page too. Pages lock
    // the window to portrait; losing the list page unlocks it.
    void listPageAndItsMenu()
    {
        TrustPanel panel;
        panel.init();
        window->unlockOrientation();
        window->setLandscapeOrientation();
        const QStringList menu = menuNames(panel.viewMenuItems());
        QCOMPARE(menu, QStringList({ "certificatesDisplayed", "importNew" }));
        QPointer<CertificatesListWidget> early = panel.certificatesListPage();
        QVERIFY(early);
        QCOMPARE(early->typeShown(), AllCertificates);
        QVERIFY(!window->isOrientationLocked());

        PagePtr page(panel.constructStylableWidget(0));
        QCOMPARE(page.get(), early.data());
        QCOMPARE(panel.constructStylableWidget(0), early.data());
        QVERIFY(window->isPortrait() && window->isOrientationLocked());
        QCOMPARE(panel.viewMenuItems(), panel.viewMenuItems());

        PagePtr details(panel.constructStylableWidget(5));
        page.reset();
        QVERIFY(!panel.certificatesListPage());
        QCOMPARE(panel.currentPageId(), 0);
        QVERIFY(!window->isOrientationLocked());

        PagePtr again(panel.constructStylableWidget(0));
        QVERIFY(again && again.get() != early.data());
        auto *selector = qobject_cast<ZelvoComboBox *>(
            qobject_cast<ZelvoWidgetAction *>(panel.viewMenuItems().first())->widget());
        selector->setCurrentIndex(2);
        QCOMPARE(qobject_cast<CertificatesListWidget *>(again.get())->typeShown(), UserCertificates);
    }

    void withoutActiveWindow()
    {
        TrustPanel panel;
        window.reset();
        const QByteArray log = logOf([&] {
            PagePtr page(panel.constructStylableWidget(4));
            QVERIFY(page);
            PagePtr list(panel.constructStylableWidget(0));
        });
        window.reset(new ZelvoApplicationWindow);
        QVERIFY2(QRegularExpression(QStringLiteral("^trustpanel\\(\\d+\\): ERROR constructStylableWidget: no active "
                                                   "window\\n"))
                     .match(QString::fromUtf8(log))
                     .hasMatch(),
                 log.constData());
        QVERIFY2(log.contains("ERROR mainWidgetExited: no active window\n"), log.constData());
    }

    // Related certificates opened from details pages stack up; going back
    // takes them off again; the settings page opened on top edits the top.
    void selectionStack()
    {
        TrustPanel panel;
        panel.init();
        PagePtr list;
        CertificatesListWidget *listPage = filledListPage(panel, list);
        QVERIFY(listPage);
        const QModelIndex keyHolder = rowNamed(listPage->filterModel(), AppletDevice::keyHolderName);
        panel.saveSelection(keyHolder);

        std::vector<PagePtr> pages;
        const QStringList chain = { AppletDevice::keyHolderName, AppletDevice::intermediateName, AppletDevice::rootName };
        int widgetId = 5;
        for (int level = 0; level < chain.size(); ++level) {
            pages.emplace_back(panel.constructStylableWidget(widgetId));
            auto *details = qobject_cast<CertificateDetailsDialog *>(pages.back().get());
            QVERIFY(details);
            QCOMPARE(details->level(), unsigned(level));
            QCOMPARE(details->detailsWidget()->certificate()->commonName, chain.at(level));
            if (level + 1 == chain.size())
                break;
            const QList<CertificateItem *> related = details->detailsWidget()->relatedCertificates();
            QVERIFY(!related.isEmpty());
            PageRequests requests(details);
            details->certificateSelected(related.first());
            QCOMPARE(requests.last(), level + 6);
            widgetId = requests.last();
            QCOMPARE(panel.selectionStackIndexes().size(), level + 2);
            QCOMPARE(panel.nextDetailsLevel(), unsigned(level + 1));
        }
        QCOMPARE(itemAt(panel.selectionStackIndexes().first())->commonName, chain.first());

        PageRequests requests(listPage);
        panel.openSettingsPage();
        QCOMPARE(requests.last(), 1);
        QCOMPARE(itemAt(panel.settingsSelectionIndexes().value(0))->commonName, chain.last());

        const QList<int> stackAfterBack = { 2, 1, 0 };
        const QList<unsigned> depthAfterBack = { 1, 0, 0 };
        for (int i = 0; i < 3; ++i) {
            QVERIFY(pages.at(2 - i)->back());
            QCOMPARE(panel.selectionStackIndexes().size(), stackAfterBack.at(i));
            QCOMPARE(panel.nextDetailsLevel(), depthAfterBack.at(i));
        }
        panel.popSelection();
        QCOMPARE(panel.nextDetailsLevel(), 0u);

        PagePtr settings(panel.constructStylableWidget(1));
        QCOMPARE(qobject_cast<CertificateSettingsDialog *>(settings.get())->certificates().value(0)->commonName,
                 chain.last());
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
        QTest::newRow("-1 ignored") << QList<int>{ -1 } << 4 << "spinner";
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
        QVERIFY2(onPolicy(&page, policy), qPrintable(policy));
    }

    // Rows go by an index of either model; an index of any other model takes
    // nothing away. The last row gone shows the empty text, a first row added
    // the list again.
    void rowsRemovedAndAdded()
    {
        TrustPanel panel;
        PagePtr list;
        CertificatesListWidget *page = filledListPage(panel, list);
        QVERIFY(page);
        page->selectShowCertificates(2);  // user certificates: the key holder and the plain one
        QCOMPARE(page->filterModel()->rowCount(), 2);
        QVERIFY(onPolicy(page, QStringLiteral("list")));

        QStandardItemModel foreign(3, 1);
        page->removeCert(foreign.index(0, 0));
        page->removeCert(QModelIndex());
        QCOMPARE(page->filterModel()->rowCount(), 2);

        page->removeCert(rowNamed(page->filterModel(), AppletDevice::plainName));
        QCOMPARE(page->filterModel()->rowCount(), 1);
        QVERIFY(onPolicy(page, QStringLiteral("list")));
        page->removeCert(rowNamed(page->certificatesModel(), AppletDevice::keyHolderName));
        QCOMPARE(page->filterModel()->rowCount(), 0);
        QVERIFY(onPolicy(page, QStringLiteral("empty")));

        const auto made = CertificateFactory::makeSelfSigned(CertificateFactory::Options());
        CertificateItem item;
        item.setCertificate(made.certificate.data());
        auto *row = new QStandardItem;
        row->setData(QVariant::fromValue(&item), CertificateItem::ItemPointer);
        foreign.appendRow(row);
        page->addCert(foreign.indexFromItem(row));
        QCOMPARE(page->filterModel()->rowCount(), 1);
        QVERIFY(onPolicy(page, QStringLiteral("list")));
        QVERIFY(page->index(&item).isValid());

        CertificateItem stranger;
        stranger.setCertificate(CertificateFactory::makeSelfSigned(CertificateFactory::Options()).certificate.data());
        QModelIndex found;
        const QByteArray log = logOf([&] { found = page->index(&stranger); });
        QVERIFY(!found.isValid());
        const QString name = stranger.attribute(CertificateItem::DisplayStrings).toStringList().join(QLatin1Char(' '));
        QVERIFY2(QRegularExpression(QStringLiteral("^certificateslistwidget\\(\\d+\\): ERROR index: %1 not found in model\\n$")
                                        .arg(QRegularExpression::escape(name)))
                     .match(QString::fromUtf8(log))
                     .hasMatch(),
                 log.constData());
    }

    // A tap reports the row before the page is asked for, so the applet
    // knows the certificate of the page it builds; root certificates get the
    // page without a menu.
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
        TrustPanel panel;
        PagePtr list;
        CertificatesListWidget *page = filledListPage(panel, list);
        QVERIFY(page);
        QStringList events;
        connect(page, &CertificatesListWidget::certificateSelected, this, [&](const QModelIndex &mi) {
            events << QStringLiteral("selected ") + itemAt(mi)->commonName;
        });
        connect(page, &PlixStylableWidget::widgetChangeRequested, this, [&](int id) {
            events << QStringLiteral("page %1 for %2").arg(id).arg(itemAt(panel.selectedIndex())->commonName);
        });
        const QModelIndex row = rowNamed(page->filterModel(), name);
        page->listWidget()->selectionModel()->select(row, QItemSelectionModel::Select);
        emit page->listWidget()->itemClicked(row);
        QCOMPARE(events, QStringList({ "selected " + name, QStringLiteral("page %1 for %2").arg(widgetId).arg(name) }));
        QVERIFY(page->listWidget()->selectedIndexes().isEmpty());
    }

    // The install page is built only for a file it can show: none chosen or
    // one gone since the scan gives no page and leaves the page built last.
    void installPageForChosenFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("removedAfterScan");
        QTest::addColumn<bool>("built");
        QTest::newRow("readable") << "import.pem" << false << true;
        QTest::newRow("gone since the scan") << "gone.pem" << true << false;
        QTest::newRow("none chosen") << QString() << false << false;
    }

    void installPageForChosenFile()
    {
        QFETCH(QString, file);
        QFETCH(bool, removedAfterScan);
        QFETCH(bool, built);
        const QString gone = device.root.home() + QStringLiteral("/certificates/gone.pem");
        QFile::remove(gone);
        QVERIFY(QFile::copy(device.importFile(), gone));

        TrustPanel panel;
        PagePtr files(panel.constructStylableWidget(2));
        auto *fileList = qobject_cast<CertificateFileListDialog *>(files.get());
        QVERIFY(fileList && fileList->isProgressIndicatorVisible());
        QSignalSpy scanned(fileList->fileModel(), SIGNAL(modelPopulated()));
        QVERIFY(scanned.wait(30000));
        QVERIFY(!fileList->isProgressIndicatorVisible());
        if (removedAfterScan)
            QVERIFY(QFile::remove(gone));
        QModelIndex chosen;
        for (int row = 0; row < fileList->fileModel()->rowCount(); ++row)
            if (!file.isEmpty() && fileList->fileModel()->index(row, 0).data().toString().endsWith(file))
                chosen = fileList->fileModel()->index(row, 0);
        QCOMPARE(chosen.isValid(), !file.isEmpty());
        PageRequests requests(fileList);
        fileList->fileItemClicked(chosen);
        QCOMPARE(requests.last(), 3);

        PagePtr install(panel.constructStylableWidget(3));
        QCOMPARE(bool(install), built);
        QCOMPARE(panel.currentPageId(), built ? 3 : 2);
        if (built)
            QCOMPARE(panel.certificateInstallPage()->fileWidget()->file()->count(), 2);
        else
            QVERIFY(!panel.certificateInstallPage());
    }

    // The settings page offers the first certificate's purposes (all four
    // when it has none) and a preference only once a certificate has a key.
    void settingsOffered_data()
    {
        QTest::addColumn<QList<QStringList>>("purposes");
        QTest::addColumn<QList<int>>("preferences");  // -1: no key
        QTest::addColumn<QStringList>("offered");
        QTest::addColumn<int>("preference");  // -1: not shown
        const QStringList all = { "ssl", "wifi", "smime", "codesign" };
        QTest::newRow("no purposes, no key") << QList<QStringList>{ {} } << QList<int>{ -1 } << all << -1;
        QTest::newRow("key") << QList<QStringList>{ { "wifi" } } << QList<int>{ 1 } << QStringList{ "wifi" } << 1;
        QTest::newRow("first decides the purposes")
            << QList<QStringList>{ { "smime" }, { "ssl" } } << QList<int>{ -1, -1 } << QStringList{ "smime" } << -1;
        QTest::newRow("key, then one without")
            << QList<QStringList>{ {}, { "ssl" } } << QList<int>{ 0, -1 } << all << 2;  // the last item's -1
        QTest::newRow("without, then key")
            << QList<QStringList>{ { "ssl" }, {} } << QList<int>{ -1, 1 } << QStringList{ "ssl" } << 1;
    }

    void settingsOffered()
    {
        QFETCH(QList<QStringList>, purposes);
        QFETCH(QList<int>, preferences);
        QFETCH(QStringList, offered);
        QFETCH(int, preference);
        QStandardItemModel model;
        std::vector<std::unique_ptr<CertificateItem>> items;
        QModelIndexList indexes;
        for (int i = 0; i < purposes.size(); ++i) {
            items.emplace_back(new CertificateItem);
            items.back()->purposes = purposes.at(i);
            items.back()->hasKey = preferences.at(i) >= 0;
            items.back()->authPreference = preferences.at(i);
            auto *row = new QStandardItem;
            row->setData(QVariant::fromValue(items.back().get()), CertificateItem::ItemPointer);
            model.appendRow(row);
            indexes << model.indexFromItem(row);
        }
        indexes << QModelIndex();  // carries no certificate: passed over
        CertificateSettingsDialog page;
        page.setCertificates(indexes);
        QCOMPARE(page.certificates().size(), purposes.size());
        QSignalSpy chosen(&page, SIGNAL(newSettings(QStringList,int)));
        QVERIFY(page.back());
        QCOMPARE(chosen.count(), 1);
        QCOMPARE(chosen.first().at(0).toStringList(), offered);
        QCOMPARE(chosen.first().at(1).toInt(), preference);
    }

    // A details page without a certificate shows none; its certificate gone,
    // it asks for the list; back reports that it is done.
    void detailsPageEvents()
    {
        CertificateDetailsDialog page(3);
        PageRequests requests(&page);
        page.certificateSelected(QModelIndex());
        QVERIFY(!page.detailsWidget()->certificate());
        page.certificateDeleted();
        QCOMPARE(requests.last(), 0);
        QSignalSpy done(&page, SIGNAL(detailsDone()));
        QVERIFY(page.back());
        QCOMPARE(done.count(), 1);
    }
};

int main(int argc, char *argv[])
{
    ZelvoApplication app(argc, argv, QStringLiteral("tst_trustpanel"));
    TestTrustPanel test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_trustpanel.moc"
