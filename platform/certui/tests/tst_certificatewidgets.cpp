#include "widgettesting.h"

#include <certificatedetailswidget.h>
#include <certificatefile.h>
#include <certificatefilelist.h>
#include <certificatefilemodel.h>
#include <certificatefilewidget.h>
#include <certificateitem.h>
#include <certificateitemwidget.h>
#include <certificatesettingswidget.h>

#include <certificatefactory.h>
#include <temporarydeviceroot.h>

#include <zelvocombobox.h>
#include <zelvolabel.h>
#include <zelvolistitem.h>

using namespace WidgetTesting;
using Factory = CertificateFactory;

// The widgets' contents, signals and the order of picks.
class TestCertificateWidgets : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void itemWidgetTap();
    void detailsWithChainFromTheFile();
    void detailsWithIssuerFromTheStore();
    void fileWidgetPickOrderAndSignals();
    void fileWidgetRefusesBadFiles();
    void settingsPurposesAndPreference();
    void fileListRows();

private:
    QString write(const QString &name, const QByteArray &content);

    TemporaryDeviceRoot m_root;
    Factory::Issued m_root_ca;
    Factory::Issued m_intermediate;
    Factory::Issued m_leaf;
};

void TestCertificateWidgets::initTestCase()
{
    QVERIFY(m_root.isValid());
    m_root_ca = Factory::makeCa(QStringLiteral("Widget Root"));
    Factory::Options middle;
    middle.commonName = QStringLiteral("Widget Intermediate");
    middle.isCa = true;
    m_intermediate = Factory::makeIssued(middle, m_root_ca);
    Factory::Options leaf;
    leaf.commonName = QStringLiteral("Widget Leaf");
    m_leaf = Factory::makeIssued(leaf, m_intermediate);
    QVERIFY(!m_leaf.isNull() && !m_intermediate.isNull());
}

QString TestCertificateWidgets::write(const QString &name, const QByteArray &content)
{
    const QString path = m_root.home() + QLatin1Char('/') + name;
    return Factory::writeFile(path, content) ? path : QString();
}

void TestCertificateWidgets::itemWidgetTap()
{
    CertificateItem item;
    QVERIFY(item.setCertificate(m_leaf.certificate.data()));
    CertificateItemWidget widget;
    widget.resize(400, 120);
    widget.setCertificate(&item);
    QCOMPARE(widget.text(), QStringLiteral("Widget Leaf"));
    QSignalSpy clicked(&widget, &CertificateItemWidget::clickedWithCI);
    tap(&widget);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.at(0).at(0).value<CertificateItem *>(), &item);

    // Names from certificates are never taken as markup.
    Factory::Options marked;
    marked.commonName = QStringLiteral("A <b>bold</b> & co");
    const auto odd = Factory::makeSelfSigned(marked);
    CertificateItem oddItem;
    QVERIFY(oddItem.setCertificate(odd.certificate.data()));
    widget.setCertificate(&oddItem);
    QCOMPARE(widget.text(), marked.commonName);

    // Without an item a tap says nothing about an item.
    widget.setCertificate(nullptr);
    tap(&widget);
    QCOMPARE(clicked.count(), 1);
}

void TestCertificateWidgets::detailsWithChainFromTheFile()
{
    QList<X509Ptr> bundle{ m_leaf.certificate, m_root_ca.certificate, m_intermediate.certificate };
    CertificateFile file(write(QStringLiteral("chain.pem"), Factory::toPemBundle(bundle)));
    QVERIFY(file.load());
    CertificateItem *leaf = file.certificates().at(0);
    leaf->purposes = QStringList{ QStringLiteral("wifi") };

    CertificateDetailsWidget details;
    details.resize(480, 800);
    details.setCertificate(leaf);
    const QList<CertificateItem *> related = details.relatedCertificates();
    QCOMPARE(related.size(), 2);
    QCOMPARE(related.at(0), file.certificates().at(2));  // the intermediate
    QCOMPARE(related.at(1), file.certificates().at(1));  // the root

    auto text = [&](const char *name) {
        auto *label = child<ZelvoLabel>(&details, QString::fromLatin1(name));
        return label ? label->text() : QStringLiteral("<missing>");
    };
    QVERIFY(text("detailsSubject").contains(QStringLiteral("Widget Leaf")));
    QVERIFY(text("detailsIssuer").contains(QStringLiteral("Widget Intermediate")));
    QCOMPARE(text("detailsSha256").count(QLatin1Char(':')), 31);
    QCOMPARE(text("detailsSha1").count(QLatin1Char(':')), 19);
    QVERIFY(text("detailsKey").startsWith(QStringLiteral("EC")));
    QVERIFY(!text("detailsSerial").isEmpty());
    QVERIFY(!text("detailsPurposes").contains(QStringLiteral("lgd_")));

    QSignalSpy selected(&details, &CertificateDetailsWidget::certificateSelected);
    auto *second = child<CertificateItemWidget>(&details, QStringLiteral("relatedCertificate_1"));
    QVERIFY(second);
    tap(second);
    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.at(0).at(0).value<CertificateItem *>(), related.at(1));

    // The root has nothing above it.
    details.setCertificate(related.at(1));
    QVERIFY(details.relatedCertificates().isEmpty());
    QVERIFY(child<ZelvoLabel>(&details, QStringLiteral("detailsNoRelated")));
    details.setCertificate(nullptr);
}

void TestCertificateWidgets::detailsWithIssuerFromTheStore()
{
    QVERIFY(m_root.addSharedCertificate(QStringLiteral("common-ca"), m_root_ca.certificate.data()));
    CertificateItem leaf;
    QVERIFY(leaf.setCertificate(m_leaf.certificate.data()));
    CertificateItem intermediate;
    QVERIFY(intermediate.setCertificate(m_intermediate.certificate.data()));

    CertificateDetailsWidget details;
    details.setCertificate(&intermediate);
    QCOMPARE(details.relatedCertificates().size(), 1);
    CertificateItem *found = details.relatedCertificates().first();
    QCOMPARE(X509_cmp(found->cert, m_root_ca.certificate.data()), 0);
    QVERIFY(found->stored);
    QCOMPARE(found->userDomains, 0);
    QCOMPARE(found->purposes, QStringList(QStringLiteral("common-ca")));
    QCOMPARE(found->attribute(CertificateItem::Manageable).toInt(), 0);

    // Tapping the store's certificate and showing it in the same widget keeps
    // it alive while shown.
    QObject::connect(&details, &CertificateDetailsWidget::certificateSelected, &details,
                     &CertificateDetailsWidget::setCertificate);
    tap(child<CertificateItemWidget>(&details, QStringLiteral("relatedCertificate_0")));
    QCOMPARE(details.certificate(), found);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(found->commonName, QStringLiteral("Widget Root"));

    // A leaf whose intermediate is nowhere: no related certificate.
    details.setCertificate(&leaf);
    QVERIFY(details.relatedCertificates().isEmpty());
}

void TestCertificateWidgets::fileWidgetPickOrderAndSignals()
{
    QList<X509Ptr> bundle{ m_root_ca.certificate, m_intermediate.certificate, m_leaf.certificate };
    CertificateFile file(write(QStringLiteral("three.crt"), Factory::toPemBundle(bundle)));
    CertificateFileWidget widget;
    QVERIFY(widget.setFile(&file));  // loads it
    QVERIFY(file.isLoaded());

    auto *install = child<ZelvoButton>(&widget, QStringLiteral("installButton"));
    auto *cancel = child<ZelvoButton>(&widget, QStringLiteral("cancelButton"));
    QVERIFY(install && cancel);
    QVERIFY(!install->isEnabled());

    QSignalSpy installed(&widget, &CertificateFileWidget::installCertificates);
    QSignalSpy selected(&widget, &CertificateFileWidget::certificateSelected);
    QSignalSpy cancelled(&widget, &CertificateFileWidget::operationCancelled);

    // Rows are picked by tapping the certificate's name.
    auto pick = [&](int row) {
        auto *toggle = child<ZelvoButton>(&widget, QStringLiteral("pick_%1").arg(row));
        QVERIFY(toggle);
        tap(toggle);
    };
    auto *leafToggle = child<ZelvoButton>(&widget, QStringLiteral("pick_2"));
    QCOMPARE(leafToggle->text(), QStringLiteral("Widget Leaf"));
    pick(2);
    pick(0);
    pick(1);
    pick(0);  // unpicked
    pick(0);  // picked again: now last
    QVERIFY(install->isEnabled());
    tap(install);
    QCOMPARE(installed.count(), 1);
    const QModelIndexList order = installed.at(0).at(0).value<QModelIndexList>();
    QCOMPARE(order.size(), 3);
    QCOMPARE(order.at(0).row(), 2);
    QCOMPARE(order.at(1).row(), 1);
    QCOMPARE(order.at(2).row(), 0);
    QCOMPARE(order.at(0).data(34).value<CertificateItem *>(), file.certificates().at(2));

    tap(child<ZelvoButton>(&widget, QStringLiteral("details_1")));
    QCOMPARE(selected.count(), 1);
    const QModelIndex detailsIndex = selected.at(0).at(0).value<QModelIndex>();
    QCOMPARE(detailsIndex.data(34).value<CertificateItem *>(), file.certificates().at(1));
    QCOMPARE(widget.index(file.certificates().at(1)), detailsIndex);
    CertificateItem stranger;
    QVERIFY(!widget.index(&stranger).isValid());
    QVERIFY(!widget.index(nullptr).isValid());

    tap(cancel);
    QCOMPARE(cancelled.count(), 1);
}

void TestCertificateWidgets::fileWidgetRefusesBadFiles()
{
    CertificateFileWidget widget;
    QVERIFY(!widget.setFile(nullptr));
    CertificateFile garbage(write(QStringLiteral("garbage.pem"), "not a certificate"));
    QVERIFY(!widget.setFile(&garbage));
    QVERIFY(!child<ZelvoButton>(&widget, QStringLiteral("pick_0")));

    // A file destroyed under the widget takes its rows along.
    auto *file = new CertificateFile(write(QStringLiteral("one.pem"), Factory::toPem(m_leaf.certificate.data())));
    QVERIFY(widget.setFile(file));
    delete file;
    QVERIFY(!widget.file());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!child<ZelvoButton>(&widget, QStringLiteral("pick_0")));
}

void TestCertificateWidgets::settingsPurposesAndPreference()
{
    CertificateSettingsWidget settings;
    const QStringList given{ QStringLiteral("common-ca"), QStringLiteral("wifi"), QStringLiteral("ftp"),
                             QStringLiteral("ssl") };
    settings.purposesDialog(given);
    auto toggle = [&](const char *prefix) {
        return child<ZelvoButton>(&settings, QStringLiteral("purpose_") + QLatin1String(prefix));
    };
    QVERIFY(toggle("ssl") && toggle("wifi") && toggle("smime") && toggle("codesign"));
    QVERIFY(toggle("ssl")->isChecked() && toggle("wifi")->isChecked());
    QVERIFY(!toggle("smime")->isChecked() && !toggle("codesign")->isChecked());
    QVERIFY(!child<ZelvoComboBox>(&settings, QStringLiteral("preferenceChooser")));
    QCOMPARE(settings.getPreference(), -1);
    // Untouched: table order, then the other entries as given.
    QCOMPARE(settings.getPurposes(), (QStringList{ QStringLiteral("ssl"), QStringLiteral("wifi"),
                                                   QStringLiteral("common-ca"), QStringLiteral("ftp") }));
    tap(toggle("codesign"));
    tap(toggle("ssl"));
    QCOMPARE(settings.getPurposes(), (QStringList{ QStringLiteral("wifi"), QStringLiteral("codesign"),
                                                   QStringLiteral("common-ca"), QStringLiteral("ftp") }));

    // The chooser starts on the given preference; negative or unknown ones
    // start on the password prompt.
    const QList<QPair<int, int>> starts{ { -1, 2 }, { 0, 0 }, { 1, 1 }, { 2, 2 }, { 7, 2 } };
    for (const auto &start : starts) {
        settings.purposesAndPreferenceDialog(QStringList(), start.first);
        auto *chooser = child<ZelvoComboBox>(&settings, QStringLiteral("preferenceChooser"));
        QVERIFY(chooser);
        QCOMPARE(chooser->count(), 3);
        QCOMPARE(settings.getPreference(), start.second);
        QVERIFY(settings.getPurposes().isEmpty());
        chooser->setCurrentIndex(0);
        QCOMPARE(settings.getPreference(), 0);
    }
    QVERIFY(!toggle("ssl")->isChecked());
}

void TestCertificateWidgets::fileListRows()
{
    TemporaryDeviceRoot root;
    QVERIFY(root.isValid());
    QVERIFY(Factory::writeFile(root.home() + QStringLiteral("/docs/first.pem"),
                               Factory::toPem(m_leaf.certificate.data())));
    QVERIFY(Factory::writeFile(root.home() + QStringLiteral("/second.der"),
                               Factory::toDer(m_root_ca.certificate.data())));
    CertificateFileModel model;
    QSignalSpy populated(&model, &CertificateFileModel::modelPopulated);
    model.populate(QStringList(root.home()));
    QVERIFY(populated.wait(30000));

    CertificateFileList list;
    list.setItemModel(&model);
    QCOMPARE(list.rowCount(), 2);
    QSignalSpy clicked(&list, &CertificateFileList::itemClicked);
    QGraphicsWidget *row = nullptr;
    for (int i = 0; i < list.rowCount(); ++i) {
        auto *item = qobject_cast<ZelvoListItem *>(list.itemWidget(i));
        if (item && item->title() == QLatin1String("second.der"))
            row = item;
    }
    QVERIFY(row);
    tap(row);
    QCOMPARE(clicked.count(), 1);
    auto *file = clicked.at(0).at(0).value<QModelIndex>().data(34).value<CertificateFile *>();
    QVERIFY(file);
    QCOMPARE(file->fileName(), QStringLiteral("second.der"));
}

CERTUI_WIDGET_TEST_MAIN(TestCertificateWidgets)
#include "tst_certificatewidgets.moc"
