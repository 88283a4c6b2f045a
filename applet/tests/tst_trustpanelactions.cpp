// TrustPanel's certificate actions in process, against the real service on
// a private bus: what the store holds afterwards, what the list shows, what
// the user is asked and what is logged.
#include "appletdevice.h"

#include <certificatedetailsdialog.h>
#include <certificateinstalldialog.h>
#include <certificatesettingsdialog.h>
#include <certificateslistwidget.h>
#include <trustpanel.h>

#include <bastra_certman.h>
#include <certificatefile.h>
#include <certificatefilemodel.h>
#include <certificateitem.h>
#include <certificatepassworddialog.h>
#include <certificatesmodel.h>
#include <zelvoapplication.h>
#include <zelvoapplicationwindow.h>
#include <zelvobanner.h>
#include <zelvobutton.h>
#include <zelvomessagebox.h>
#include <zelvotextedit.h>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardItemModel>
#include <QtTest>

#include <cstdio>
#include <functional>
#include <memory>
#include <unistd.h>

namespace {

using PagePtr = std::unique_ptr<PlixStylableWidget>;

CertificateItem *itemAt(const QModelIndex &index)
{
    return index.data(CertificateItem::ItemPointer).value<CertificateItem *>();
}

QModelIndex rowNamed(const QAbstractItemModel *model, const QString &name)
{
    for (int row = 0; model && row < model->rowCount(); ++row) {
        if (CertificateItem *item = itemAt(model->index(row, 0)); item && item->commonName == name)
            return model->index(row, 0);
    }
    return QModelIndex();
}

// Whether the store domain holds the certificate, read through the store.
bool domainHolds(const QString &domain, const CertificateItem &item)
{
    bastra_key_id id;
    bastra_domain handle = nullptr;
    if (bastra_certman_str_to_key_id(item.keyId.toLatin1().constData(), &id) != 0
        || bastra_certman_open_domain(domain.toLatin1().constData(), 0, &handle) != 0)
        return false;
    X509 *cert = nullptr;
    const bool found = bastra_certman_load_cert(handle, &id, &cert) == 0;
    X509_free(cert);
    bastra_certman_close_domain(handle);
    return found;
}

// The key record of the trust database as "<preference> <domains>".
QString keyRecord(const QString &keyId)
{
    QString record;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("keyrecord"));
        db.setDatabaseName(QString::fromLocal8Bit(qgetenv("TRUSTKEEP_DEVICE_ROOT")) + "/home/user/private/trustkeep.db");
        QSqlQuery query(db);
        if (db.open() && query.prepare(QStringLiteral("SELECT auth_preference, domains FROM keys WHERE id = ?"))) {
            query.addBindValue(keyId);
            if (query.exec() && query.next())
                record = query.value(0).toString() + ' ' + query.value(1).toString();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("keyrecord"));
    return record;
}

// Standard error, where the applet's log lines go, while the code runs.
QByteArray logOf(const std::function<void()> &code)
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

// Answers the next dialog of the window when it is running: a message box
// with a button, a password dialog by typing into its fields and accepting.
class DialogAnswer : public QObject
{
public:
    explicit DialogAnswer(std::function<bool(ZelvoSceneWindow *)> answer) : m_answer(std::move(answer))
    {
        connect(&m_poll, &QTimer::timeout, this, [this] {
            ZelvoApplicationWindow *window = ZelvoApplication::activeWindow();
            if (window && !window->dialogs().isEmpty() && m_answer(window->dialogs().last()))
                ++answered;
        });
        m_poll.start(10);
    }
    int answered = 0;

private:
    std::function<bool(ZelvoSceneWindow *)> m_answer;
    QTimer m_poll;
};

bool answerBox(ZelvoSceneWindow *dialog, int button, QString *text)
{
    auto *box = qobject_cast<ZelvoMessageBox *>(dialog);
    if (!box || !box->isRunning())
        return false;
    *text = box->title() + '|' + box->text();
    box->done(button);
    return true;
}

template <typename T> T *childNamed(QGraphicsItem *root, const QString &name)
{
    for (QGraphicsItem *item : root->childItems()) {
        auto *widget = item->isWidget() ? static_cast<QGraphicsWidget *>(item) : nullptr;
        if (auto *found = qobject_cast<T *>(widget); found && widget->objectName() == name)
            return found;
        if (T *found = childNamed<T>(item, name))
            return found;
    }
    return nullptr;
}

} // namespace

class TestTrustPanelActions : public QObject
{
    Q_OBJECT

    AppletDevice device;
    std::unique_ptr<ZelvoApplicationWindow> window;
    TrustPanel panel;
    PagePtr listOwner;
    CertificatesListWidget *list = nullptr;

    QModelIndex listed(const char *name) { return rowNamed(list->filterModel(), QString::fromUtf8(name)); }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(device.setUp(&error), qPrintable(error));
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", device.bus.address().toLatin1());
        window.reset(new ZelvoApplicationWindow);
        panel.init();
        listOwner.reset(panel.constructStylableWidget(0));
        list = qobject_cast<CertificatesListWidget *>(listOwner.get());
        QVERIFY(list);
        if (list->certificatesModel()->isPopulating())
            QVERIFY(QSignalSpy(list->certificatesModel(), SIGNAL(modelPopulated())).wait(60000));
        QVERIFY(listed(AppletDevice::plainName).isValid());
    }

    // A purpose change goes to the store and keeps the row; giving up every
    // purpose takes the certificate out of every domain, drops its row, and
    // the details page returns to the list once the settings page is gone.
    void purposeChanges()
    {
        const QModelIndex plain = listed(AppletDevice::plainName);
        CertificateItem *item = itemAt(plain);
        panel.saveSelection(plain);
        PagePtr details(panel.constructStylableWidget(5));
        panel.openSettingsPage();
        PagePtr settings(panel.constructStylableWidget(1));

        panel.settingsChanged({ "ssl", "wifi" }, -1);
        QVERIFY(domainHolds("ssl-user", *item) && domainHolds("wifi-user", *item));
        QCOMPARE(item->purposes, QStringList({ "ssl", "wifi" }));
        QVERIFY(listed(AppletDevice::plainName).isValid());

        const int rows = list->certificatesModel()->rowCount();
        QSignalSpy asked(details.get(), SIGNAL(widgetChangeRequested(int)));
        const QString keyId = item->keyId;
        panel.settingsChanged({}, -1);
        CertificateItem probe;
        probe.keyId = keyId;
        QVERIFY(!domainHolds("ssl-user", probe) && !domainHolds("wifi-user", probe));
        QCOMPARE(list->certificatesModel()->rowCount(), rows - 1);
        QVERIFY(panel.selectionStackIndexes().isEmpty());
        QVERIFY(asked.isEmpty());
        settings.reset();
        QCOMPARE(asked.count(), 1);
        QCOMPARE(asked.last().at(0).toInt(), 0);
    }

    // A new preference alone sends the unchanged domains; the service
    // records it for the key, which the certificate does not carry along.
    void preferenceChangeThroughTheService()
    {
        const QModelIndex holder = listed(AppletDevice::keyHolderName);
        CertificateItem *item = itemAt(holder);
        QVERIFY(item->hasKey && !item->privateKey && item->authPreference == 0);
        panel.saveSelection(QModelIndexList({ holder }));
        const QByteArray log = logOf([&] { panel.settingsChanged(item->purposes, 1); });
        QVERIFY2(log.isEmpty(), log.constData());
        QCOMPARE(item->authPreference, 1);
        QVERIFY(domainHolds("ssl-user", *item));
        QCOMPARE(keyRecord(item->keyId), QStringLiteral("1 ssl-user"));
    }

    // Certificates chosen from a file are installed one by one for the
    // chosen purposes with their own suffix and join the list; a failure
    // stops at that certificate and leaves the rest as they were.
    void certificatesFromAFile()
    {
        CertificateFile file(device.importFile());
        QStandardItemModel files;
        auto *fileRow = new QStandardItem;
        fileRow->setData(QVariant::fromValue(&file), CertificateFileModel::FileRole);
        files.appendRow(fileRow);
        CertificateInstallDialog install;
        QVERIFY(install.certificateFileSelected(files.index(0, 0)));
        QModelIndexList chosen;
        CertificateItem *leaf = nullptr;
        CertificateItem *ca = nullptr;
        for (CertificateItem *item : file.certificates()) {
            (item->isCA ? ca : leaf) = item;
            chosen << install.index(item);
        }
        QVERIFY(leaf && ca && !chosen.first().data(CertificateItem::ItemPointer).value<CertificateItem *>()->isCA);
        panel.saveSelection(chosen);

        const int rows = list->certificatesModel()->rowCount();
        panel.settingsChanged({ "codesign" }, -1);
        QVERIFY(domainHolds("codesign-user", *leaf) && domainHolds("codesign-ca", *ca));
        QCOMPARE(list->certificatesModel()->rowCount(), rows + 2);
        QVERIFY(listed(AppletDevice::importCaName).isValid());
        QCOMPARE(itemAt(listed(AppletDevice::importCaName))->purposes, QStringList("codesign"));

        // A file where the leaf's new domain would be: the service refuses.
        QVERIFY(CertificateFactory::writeFile(device.root.privateDomainFolder("smime-user"), "blocked"));
        const QByteArray log = logOf([&] { panel.settingsChanged({ "smime" }, -1); });
        QVERIFY2(QRegularExpression("^trustpanel\\(\\d+\\): ERROR settingsChanged: insert failed$",
                                    QRegularExpression::MultilineOption).match(QString::fromUtf8(log)).hasMatch(),
                 log.constData());
        QCOMPARE(leaf->purposes, QStringList("codesign"));
        QVERIFY(!domainHolds("smime-ca", *ca) && domainHolds("codesign-ca", *ca));
        QCOMPARE(ca->purposes, QStringList("codesign"));
    }

    // Deletion refuses a root certificate with a banner, keeps the
    // certificate on No, and on Yes deletes the one on top of the details
    // stack and returns to the list with the stack empty.
    void deletion()
    {
        panel.saveSelection(listed(AppletDevice::rootName));
        {
            DialogAnswer never([](ZelvoSceneWindow *) { return true; });
            panel.deleteCertificate();
            QCOMPARE(never.answered, 0);
        }
        QCOMPARE(window->banners().size(), 1);
        auto *banner = qobject_cast<ZelvoBanner *>(window->banners().last());
        QVERIFY(banner && banner->objectName() == QLatin1String("rootDeleteInfoBanner"));
        QCOMPARE(banner->title(), QStringLiteral("lgd_certman_banner_rootdelete"));
        QCOMPARE(banner->styleName(), QStringLiteral("InformationBanner"));

        const QModelIndex holder = listed(AppletDevice::keyHolderName);
        CertificateItem *intermediate = itemAt(listed(AppletDevice::intermediateName));
        panel.saveSelection(holder);
        panel.saveSelection(intermediate);  // opened from the key holder's details
        QCOMPARE(panel.selectionStackIndexes().size(), 2);
        QString asked;
        {
            DialogAnswer no([&](ZelvoSceneWindow *d) { return answerBox(d, QMessageBox::No, &asked); });
            panel.deleteCertificate();
            QCOMPARE(no.answered, 1);
        }
        QCOMPARE(asked, "lgd_certman_deletetitle|" + intermediate->id_strings().join('\n'));
        QVERIFY(domainHolds("ssl-ca", *intermediate));

        QSignalSpy pages(list, SIGNAL(widgetChangeRequested(int)));
        const QString keyId = intermediate->keyId;
        DialogAnswer yes([&](ZelvoSceneWindow *d) { return answerBox(d, QMessageBox::Yes, &asked); });
        panel.deleteCertificate();
        QCOMPARE(yes.answered, 1);
        CertificateItem probe;
        probe.keyId = keyId;
        QVERIFY(!domainHolds("ssl-ca", probe));
        QVERIFY(!listed(AppletDevice::intermediateName).isValid());
        QVERIFY(panel.selectionStackIndexes().isEmpty());
        QCOMPARE(pages.count(), 1);
        QCOMPARE(pages.last().at(0).toInt(), 0);
    }

    // A certificate without a key has no password to change; for a key the
    // service cannot change (preference 0), its false reply is logged.
    void passwordChange()
    {
        panel.saveSelection(listed(AppletDevice::importLeafName));
        QByteArray log = logOf([&] { panel.changePassword(); });
        QVERIFY2(log.isEmpty(), log.constData());
        panel.saveSelection(listed(AppletDevice::keyHolderName));
        log = logOf([&] { panel.changePassword(); });
        QVERIFY2(log.contains("trustpanel(") && log.contains("ERROR changePassword: changing password failed"),
                 log.constData());
    }

    // Without a service (it cannot start: its database is a folder) every
    // call is a D-Bus error: logged, and the list and the item stay.
    void absentService()
    {
        QVERIFY(device.bus.waitForName(PrivateBus::serviceName, false, 30000));
        const QString database = device.root.resolve(QStringLiteral("/home/user/private/trustkeep.db"));
        QVERIFY(QFile::rename(database, database + ".away") && QDir().mkdir(database));
        const QModelIndex holder = listed(AppletDevice::keyHolderName);
        CertificateItem *item = itemAt(holder);
        const QStringList purposes = item->purposes;
        const int rows = list->certificatesModel()->rowCount();
        panel.saveSelection(QModelIndexList({ holder }));
        panel.saveSelection(holder);
        DialogAnswer yes([](ZelvoSceneWindow *d) {
            QString text;
            return answerBox(d, QMessageBox::Yes, &text);
        });
        const QString log = QString::fromUtf8(logOf([&] {
            panel.settingsChanged({ "wifi" }, item->authPreference);
            panel.deleteCertificate();
        }));
        QVERIFY(QDir().rmdir(database) && QFile::rename(database + ".away", database));
        QCOMPARE(log.count(QRegularExpression("^trustpanel\\(\\d+\\): ERROR (settingsChanged|deleteCertificate): dbus error: .+$",
                                              QRegularExpression::MultilineOption)), 2);
        QCOMPARE(item->purposes, purposes);
        QCOMPARE(list->certificatesModel()->rowCount(), rows);
        QVERIFY(listed(AppletDevice::keyHolderName).isValid());
    }

    // Other components move a key by name through the meta-object system;
    // a new key for "password prompt" is stored under the password chosen
    // in the dialog.
    void preferenceByName()
    {
        const auto made = CertificateFactory::makeSelfSigned(CertificateFactory::Options());
        CertificateItem item;
        QVERIFY(item.setCertificate(made.certificate.data()) && item.setPrivateKey(made.key.data()));
        DialogAnswer typed([](ZelvoSceneWindow *d) {
            auto *dialog = qobject_cast<CertificatePasswordDialog *>(d);
            if (!dialog || !dialog->isRunning())
                return false;
            childNamed<ZelvoTextEdit>(dialog, "newPasswordField")->setText("chosen");
            childNamed<ZelvoTextEdit>(dialog, "confirmPasswordField")->setText("chosen");
            dialog->done(1);
            return true;
        });
        bool moved = false;
        QVERIFY(QMetaObject::invokeMethod(&panel, "preferenceChanged", Q_RETURN_ARG(bool, moved),
                                          Q_ARG(CertificateItem *, &item), Q_ARG(int, 2)));
        QVERIFY(moved);
        QCOMPARE(typed.answered, 1);
        QCOMPARE(item.authPreference, 2);
        bastra_key_id id;
        QCOMPARE(bastra_certman_str_to_key_id(item.keyId.toLatin1().constData(), &id), 0);
        EVP_PKEY *key = nullptr;
        QCOMPARE(bastra_certman_retrieve_key(&id, &key, "chosen"), 0);
        EVP_PKEY_free(key);
    }
};

int main(int argc, char *argv[])
{
    ZelvoApplication app(argc, argv, QStringLiteral("tst_trustpanelactions"));
    TestTrustPanelActions test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_trustpanelactions.moc"
