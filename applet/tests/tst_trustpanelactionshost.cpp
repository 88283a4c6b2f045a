// The user's certificate changes through the control panel host with the
// applet, the real service on the test's bus, both driven by automation;
// each flow is checked in the store and the trust database.
#include "appletdevice.h"

#include <bastra_certman.h>
#include <zelvoautomationclient.h>

#include <QJsonArray>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

class TestTrustPanelActionsHost : public QObject
{
    Q_OBJECT

    AppletDevice device;
    QTemporaryDir sockets;
    QProcess host;
    ZelvoAutomationClient ui; // the control panel
    ZelvoAutomationClient service; // the service's window

    // Key ids of the certificates a private domain holds (its files).
    QStringList domainHolds(const QString &domain)
    {
        return QDir(device.root.privateDomainFolder(domain)).entryList(QDir::Files, QDir::Name);
    }

    QString keyHolderId; // the only one in "ssl-user" at the start

    QVariant keyPreference(const QString &keyId)
    {
        QVariant preference;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("host"));
            db.setDatabaseName(device.root.resolve(QStringLiteral("/home/user/private/trustkeep.db")));
            QSqlQuery query(db);
            if (db.open() && query.prepare(QStringLiteral("SELECT auth_preference FROM keys WHERE id = ?"))) {
                query.addBindValue(keyId);
                if (query.exec() && query.next())
                    preference = query.value(0);
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("host"));
        return preference;
    }

    bool keyOpensWith(const QString &keyId, const char *password)
    {
        bastra_key_id id;
        EVP_PKEY *key = nullptr;
        const bool opened = bastra_certman_str_to_key_id(keyId.toLatin1().constData(), &id) == 0
            && bastra_certman_retrieve_key(&id, &key, password) == 0;
        EVP_PKEY_free(key);
        return opened;
    }

    QString hostLog; // what the control panel logged so far
    QString output()
    {
        hostLog += QString::fromLocal8Bit(host.readAllStandardError());
        return hostLog + device.bus.daemonLog();
    }
    // Log lines of the applet that match the pattern.
    int logged(const QString &pattern)
    {
        output();
        return hostLog.count(QRegularExpression(QStringLiteral("^trustpanel\\(\\d+\\): ERROR ") + pattern + '$',
                                                QRegularExpression::MultilineOption));
    }

    // The settings page of a listed certificate, from its details page.
    bool openSettingsOf(const char *name)
    {
        return ui.clickText(QString::fromUtf8(name)) && ui.waitFor(QStringLiteral("plixPage5"))
            && ui.click(QStringLiteral("certificateSettings")) && ui.waitFor(QStringLiteral("certificateSettingsPage"));
    }

    bool choosePreference(const QString &text)
    {
        if (!ui.click(QStringLiteral("preferenceChooser")) || !ui.clickText(text))
            return false;
        return !ZelvoAutomationClient::hasWidget(ui.widgets(), QStringLiteral("zelvoApplicationMenu")) || ui.back();
    }

    // Answers the password dialog the service shows while the host waits.
    bool answerInService(const QList<QPair<QString, QString>> &fields)
    {
        service.setSocketPath(device.bus.automationSocket());
        if (!service.connectToServer(30000) || !service.waitFor(QStringLiteral("acceptButton"), 30000))
            return false;
        for (const auto &field : fields)
            if (!service.type(field.first, field.second))
                return false;
        const bool accepted = service.click(QStringLiteral("acceptButton"));
        service.disconnectFromServer();
        return accepted;
    }

    // From the list to the settings page of the certificates picked from the
    // import file, where only "smime" is left on (a certificate without
    // purposes is offered all four), and back.
    bool importForSmime(const QStringList &picks)
    {
        if (!ui.click(QStringLiteral("importNew")) || !ui.waitForText(QStringLiteral("import.pem"), 30000)
            || !ui.clickText(QStringLiteral("import.pem")) || !ui.waitFor(QStringLiteral("certificateInstallPage")))
            return false;
        for (const QString &pick : picks)
            if (!ui.click(pick))
                return false;
        if (!ui.click(QStringLiteral("installButton")) || !ui.waitFor(QStringLiteral("certificateSettingsPage")))
            return false;
        for (const char *purpose : { "purpose_ssl", "purpose_wifi", "purpose_codesign" })
            if (!ui.click(QLatin1String(purpose)))
                return false;
        return ui.back();
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(device.setUp(&error), qPrintable(error));
        keyHolderId = domainHolds(QStringLiteral("ssl-user")).value(0);
    }

    void init()
    {
        QProcessEnvironment env = device.bus.environment();
        env.insert(QStringLiteral("ZELVO_AUTOMATION_SOCKET"), sockets.filePath(QStringLiteral("%a.sock")));
        host.setProcessEnvironment(env);
        host.start(qEnvironmentVariable("TRUSTKEEP_BUILD_DIR") + QStringLiteral("/bin/plixcontrolpanel"),
                   { QStringLiteral("--applet"), QStringLiteral("trustpanel") });
        QVERIFY2(host.waitForStarted(), qPrintable(host.errorString()));
        ui.setSocketPath(sockets.filePath(QStringLiteral("plixcontrolpanel.sock")));
        QVERIFY2(ui.connectToServer(30000), qPrintable(ui.lastError() + output()));
        QVERIFY2(ui.waitForText(QString::fromUtf8(AppletDevice::keyHolderName), 60000), qPrintable(output()));
    }

    void cleanup()
    {
        hostLog.clear();
        ui.disconnectFromServer();
        host.kill();
        host.waitForFinished();
    }

    void purposeChange()
    {
        const QStringList plain = domainHolds(QStringLiteral("wifi-user"));
        QCOMPARE(plain.size(), 1);
        QVERIFY2(openSettingsOf(AppletDevice::plainName), qPrintable(ui.lastError()));
        QVERIFY(ui.click(QStringLiteral("purpose_ssl")));
        QVERIFY(ui.back());
        QVERIFY2(ui.waitFor(QStringLiteral("plixPage5"), 30000), qPrintable(output()));
        QVERIFY2(domainHolds(QStringLiteral("ssl-user")).contains(plain.first()), qPrintable(output()));
        QCOMPARE(domainHolds(QStringLiteral("wifi-user")), plain);

        // Without any purpose it leaves every domain, and the details page
        // returns to the list once the settings page is gone.
        QVERIFY(ui.click(QStringLiteral("certificateSettings"))
                && ui.waitFor(QStringLiteral("certificateSettingsPage")));
        QVERIFY(ui.click(QStringLiteral("purpose_ssl")) && ui.click(QStringLiteral("purpose_wifi")));
        QVERIFY(ui.back());
        QVERIFY2(ui.waitFor(QStringLiteral("plixPage0"), 30000), qPrintable(output()));
        QVERIFY(domainHolds(QStringLiteral("wifi-user")).isEmpty());
        QVERIFY(!domainHolds(QStringLiteral("ssl-user")).contains(plain.first()));
        QVERIFY(!ZelvoAutomationClient::hasWidget(ui.widgets(), QStringLiteral("plixPage5")));
    }

    void preferenceChange()
    {
        QCOMPARE(keyPreference(keyHolderId), QVariant(0));
        // A key without a password of its own: the service says no.
        QVERIFY(ui.clickText(QString::fromUtf8(AppletDevice::keyHolderName))
                && ui.waitFor(QStringLiteral("plixPage5")));
        QVERIFY(ui.click(QStringLiteral("changePassword")));
        QTRY_COMPARE(logged(QStringLiteral("changePassword: changing password failed")), 1);
        QVERIFY(ui.back() && ui.waitFor(QStringLiteral("plixPage0")));

        QVERIFY2(openSettingsOf(AppletDevice::keyHolderName), qPrintable(ui.lastError()));
        QVERIFY2(choosePreference(QStringLiteral("Ask for confirmation")), qPrintable(ui.lastError()));
        QVERIFY(ui.back());
        QVERIFY2(ui.waitFor(QStringLiteral("plixPage5"), 30000), qPrintable(output()));
        QCOMPARE(keyPreference(keyHolderId), QVariant(1));
        QCOMPARE(domainHolds(QStringLiteral("ssl-user")), QStringList(keyHolderId));
    }

    // The key goes under a password of the user's (asked in the service's
    // window), then the user changes that password from the details menu.
    void passwordChange()
    {
        QVERIFY2(openSettingsOf(AppletDevice::keyHolderName), qPrintable(ui.lastError()));
        QVERIFY2(choosePreference(QStringLiteral("Ask for password")), qPrintable(ui.lastError()));
        QVERIFY(ui.back());
        QVERIFY2(answerInService({ { "newPasswordField", "first" }, { "confirmPasswordField", "first" } }),
                 qPrintable(service.lastError() + output()));
        QVERIFY2(ui.waitFor(QStringLiteral("plixPage5"), 30000), qPrintable(output()));
        QCOMPARE(keyPreference(keyHolderId), QVariant(2));
        QVERIFY(keyOpensWith(keyHolderId, "first"));

        QVERIFY2(ui.click(QStringLiteral("changePassword")), qPrintable(ui.lastError()));
        QVERIFY2(answerInService({ { "currentPasswordField", "first" },
                                   { "newPasswordField", "second" },
                                   { "confirmPasswordField", "second" } }),
                 qPrintable(service.lastError() + output()));
        QVERIFY2(ui.waitFor(QStringLiteral("plixPage5"), 30000), qPrintable(output()));
        QTRY_VERIFY(keyOpensWith(keyHolderId, "second"));
        QVERIFY(!keyOpensWith(keyHolderId, "first"));
    }

    // Deleting the certificate of a details page opened from another one
    // removes it from its domain and returns to the list.
    void deletionFromNestedDetails()
    {
        QCOMPARE(domainHolds(QStringLiteral("ssl-ca")).size(), 1);
        QVERIFY(ui.clickText(QString::fromUtf8(AppletDevice::keyHolderName)));
        QVERIFY(ui.waitFor(QStringLiteral("plixPage5")));
        QVERIFY(ui.clickText(QString::fromUtf8(AppletDevice::intermediateName)));
        QVERIFY2(ui.waitFor(QStringLiteral("plixPage6")), qPrintable(ui.lastError()));
        QVERIFY2(ui.click(QStringLiteral("deleteCertificate")), qPrintable(ui.lastError()));
        QVERIFY2(ui.answer(QStringLiteral("No")), qPrintable(ui.lastError()));
        QVERIFY(ui.waitFor(QStringLiteral("plixPage6")));
        QCOMPARE(domainHolds(QStringLiteral("ssl-ca")).size(), 1);
        QVERIFY(ui.click(QStringLiteral("deleteCertificate")));
        QVERIFY2(ui.answer(QStringLiteral("Yes")), qPrintable(ui.lastError()));
        QVERIFY2(ui.waitFor(QStringLiteral("plixPage0"), 30000), qPrintable(output()));
        QVERIFY2(domainHolds(QStringLiteral("ssl-ca")).isEmpty(), qPrintable(output()));
        QVERIFY(!ZelvoAutomationClient::hasWidget(ui.widgets(), QStringLiteral("plixPage6")));
        QVERIFY(domainHolds(QStringLiteral("ssl-user")).contains(keyHolderId));
    }

    // A certificate picked from a file is installed for the purpose chosen
    // on the settings page that follows, and joins the list.
    // Of two certificates from a file, the first one the service refuses
    // (files lie where the domains would be) ends the installation.
    void importFailureStopsTheRest()
    {
        for (const char *domain : { "smime-user", "smime-ca" })
            QVERIFY(CertificateFactory::writeFile(device.root.privateDomainFolder(domain), "blocked"));
        QVERIFY2(importForSmime({ "pick_0", "pick_1" }), qPrintable(ui.lastError()));
        QTRY_COMPARE_WITH_TIMEOUT(logged(QStringLiteral("settingsChanged: insert failed")), 1, 30000);
        QVERIFY(ui.waitFor(QStringLiteral("certificateInstallPage")));
        QCOMPARE(logged(QStringLiteral(".*")), 1);
        for (const char *domain : { "smime-user", "smime-ca" })
            QVERIFY(QFile::remove(device.root.privateDomainFolder(domain)));
    }

    void importFromAFile()
    {
        QVERIFY2(importForSmime({ "pick_0" }), qPrintable(ui.lastError()));
        QTRY_COMPARE_WITH_TIMEOUT(domainHolds("smime-user").size() + domainHolds("smime-ca").size(), 1, 30000);
        while (!ZelvoAutomationClient::hasWidget(ui.widgets(), QStringLiteral("plixPage0")))
            QVERIFY(ui.back());
        const bool leaf = !domainHolds("smime-user").isEmpty();
        QVERIFY2(ui.waitForText(QString::fromUtf8(leaf ? AppletDevice::importLeafName : "Import CA")),
                 qPrintable(output()));
    }

    // Without a service (it cannot start: its database is a folder) a change
    // and a deletion are D-Bus errors: logged, and the page stays.
    void absentService()
    {
        QVERIFY(device.bus.waitForName(QLatin1String(PrivateBus::serviceName), false, 30000));
        const QString database = device.root.resolve(QStringLiteral("/home/user/private/trustkeep.db"));
        QVERIFY(QFile::rename(database, database + ".away") && QDir().mkdir(database));
        QVERIFY2(openSettingsOf(AppletDevice::keyHolderName), qPrintable(ui.lastError()));
        QVERIFY(ui.click(QStringLiteral("purpose_wifi")) && ui.back());
        QTRY_COMPARE_WITH_TIMEOUT(logged(QStringLiteral("settingsChanged: dbus error: .+")), 1, 30000);
        QVERIFY(ui.waitFor(QStringLiteral("plixPage5")) && ui.click(QStringLiteral("deleteCertificate")));
        QVERIFY(ui.answer(QStringLiteral("Yes")));
        QTRY_COMPARE_WITH_TIMEOUT(logged(QStringLiteral("deleteCertificate: dbus error: .+")), 1, 30000);
        QVERIFY(ui.waitFor(QStringLiteral("plixPage5")));
        QVERIFY(QDir().rmdir(database) && QFile::rename(database + ".away", database));
        QCOMPARE(domainHolds(QStringLiteral("ssl-user")), QStringList(keyHolderId));
    }
};

QTEST_GUILESS_MAIN(TestTrustPanelActionsHost)

#include "tst_trustpanelactionshost.moc"
