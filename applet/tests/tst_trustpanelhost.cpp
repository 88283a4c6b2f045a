// The user's flows through the control panel host with the applet, the real
// service on the test's bus, both driven by automation: each change checked
// in the store and the trust database. (What each page shows, its title and
// menu, is tst_trustpanel's; how the host asks for them again on the way
// back, tst_plixpagestack's.) The flows share one device, in order.
#include "appletdevice.h"
#include "testmaterial.h"

#include <QDeadlineTimer>
#include <QtTest>

#include <memory>

class TestTrustPanelHost : public QObject
{
    Q_OBJECT

    AppletDevice device;
    ProcessTestHarness &h = device.harness;
    std::unique_ptr<TestProgram> host;
    QString keyHolderId; // the only one in "ssl-user" at the start

    ZelvoAutomationClient &ui() { return h.ui(QStringLiteral("plixcontrolpanel")); }
    QString output() { return (host ? host->logLines().join('\n') : QString()) + h.allOutput(); }

    // Key ids of the certificates a private domain holds (its files).
    QStringList domainHolds(const QString &domain)
    {
        return QDir(h.root().privateDomainFolder(domain)).entryList(QDir::Files, QDir::Name);
    }

    // Log lines of the applet that match the pattern.
    int logged(const QString &pattern)
    {
        return host->logLines()
            .filter(QRegularExpression(QStringLiteral("^trustpanel\\(\\d+\\): ERROR ") + pattern + '$'))
            .size();
    }

    bool reach(const QString &objectName) { return ui().waitFor(objectName, 30000); }

    // The settings page of a listed certificate, from its details page.
    bool openSettingsOf(const char *name)
    {
        return ui().clickText(QString::fromUtf8(name)) && reach(QStringLiteral("plixPage5"))
            && ui().click(QStringLiteral("certificateSettings")) && reach(QStringLiteral("certificateSettingsPage"));
    }

    bool choosePreference(const QString &text)
    {
        if (!ui().click(QStringLiteral("preferenceChooser")) || !ui().clickText(text))
            return false;
        return !ZelvoAutomationClient::hasWidget(ui().widgets(), QStringLiteral("zelvoApplicationMenu")) || ui().back();
    }

    // Answers the password dialog the service shows while the host waits:
    // the service the harness started for the device (the host's calls keep
    // it alive) on its own socket, or one the bus activated on the bus's.
    bool answerInService(const QList<QPair<QString, QString>> &fields)
    {
        const QStringList sockets = { h.automationSocket(QLatin1String(ProcessTestHarness::serviceApplication)),
                                      h.bus().automationSocket() };
        QDeadlineTimer deadline(30000);
        for (int i = 0; !deadline.hasExpired(); i = (i + 1) % sockets.size()) {
            ZelvoAutomationClient service(sockets.at(i));
            if (!service.connectToServer(500) || !service.waitFor(QStringLiteral("acceptButton"), 1000))
                continue;
            bool typed = true;
            for (const auto &field : fields)
                typed = typed && service.type(field.first, field.second);
            return typed && service.click(QStringLiteral("acceptButton"));
        }
        return false;
    }

    // From the list to the settings page of the certificates picked from the
    // import file, where only "smime" is left on (a certificate without
    // purposes is offered all four), and back.
    bool importForSmime(const QStringList &picks)
    {
        if (!ui().click(QStringLiteral("importNew")) || !ui().waitForText(QStringLiteral("import.pem"), 30000)
            || !ui().clickText(QStringLiteral("import.pem")) || !reach(QStringLiteral("certificateInstallPage")))
            return false;
        for (const QString &pick : picks)
            if (!ui().click(pick))
                return false;
        if (!ui().click(QStringLiteral("installButton")) || !reach(QStringLiteral("certificateSettingsPage")))
            return false;
        for (const char *purpose : { "purpose_ssl", "purpose_wifi", "purpose_codesign" })
            if (!ui().click(QLatin1String(purpose)))
                return false;
        return ui().back();
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(device.setUp(&error), qPrintable(error));
        keyHolderId = domainHolds(QStringLiteral("ssl-user")).value(0);
    }

    // Each flow starts the control panel afresh on the applet's list.
    void init()
    {
        host.reset(new TestProgram(h.environment(), TestProgram::buildBinary(QStringLiteral("plixcontrolpanel"))));
        host->start({ QStringLiteral("--applet"), QStringLiteral("trustpanel") });
        QVERIFY2(host->waitForStarted() && reach(QStringLiteral("certificatesListPage"))
                     && ui().waitForText(QString::fromUtf8(AppletDevice::keyHolderName), 60000),
                 qPrintable(output()));
    }

    void cleanup()
    {
        ui().disconnectFromServer();
        host.reset();
    }

    void purposeChange()
    {
        const QStringList plain = domainHolds(QStringLiteral("wifi-user"));
        QCOMPARE(plain.size(), 1);
        QVERIFY2(openSettingsOf(AppletDevice::plainName), qPrintable(ui().lastError()));
        QVERIFY2(ui().click("purpose_ssl") && ui().back() && reach("plixPage5"), qPrintable(output()));
        QVERIFY2(domainHolds(QStringLiteral("ssl-user")).contains(plain.first()), qPrintable(output()));
        QCOMPARE(domainHolds(QStringLiteral("wifi-user")), plain);

        // Without any purpose it leaves every domain, and the details page
        // returns to the list once the settings page is gone.
        QVERIFY(ui().click("certificateSettings") && ui().waitFor("certificateSettingsPage")
                && ui().click("purpose_ssl") && ui().click("purpose_wifi"));
        QVERIFY2(ui().back() && reach("plixPage0"), qPrintable(output()));
        QVERIFY(domainHolds(QStringLiteral("wifi-user")).isEmpty());
        QVERIFY(!domainHolds(QStringLiteral("ssl-user")).contains(plain.first()));
        QVERIFY(!ZelvoAutomationClient::hasWidget(ui().widgets(), QStringLiteral("plixPage5")));
    }

    void preferenceChange()
    {
        QCOMPARE(h.database().keyRow(keyHolderId).preference, 0);
        // A key without a password of its own: the service says no.
        QVERIFY(ui().clickText(AppletDevice::keyHolderName) && ui().waitFor("plixPage5")
                && ui().click("changePassword"));
        QTRY_COMPARE(logged(QStringLiteral("changePassword: changing password failed")), 1);
        QVERIFY(ui().back() && ui().waitFor(QStringLiteral("plixPage0")));

        QVERIFY2(openSettingsOf(AppletDevice::keyHolderName), qPrintable(ui().lastError()));
        QVERIFY2(choosePreference(QStringLiteral("Ask for confirmation")), qPrintable(ui().lastError()));
        QVERIFY2(ui().back() && reach("plixPage5"), qPrintable(output()));
        QCOMPARE(h.database().keyRow(keyHolderId).preference, 1);
        QCOMPARE(domainHolds(QStringLiteral("ssl-user")), QStringList(keyHolderId));
    }

    // The key goes under a password of the user's (asked in the service's
    // window), then the user changes that password from the details menu.
    void passwordChange()
    {
        QVERIFY2(openSettingsOf(AppletDevice::keyHolderName), qPrintable(ui().lastError()));
        QVERIFY2(choosePreference(QStringLiteral("Ask for password")), qPrintable(ui().lastError()));
        QVERIFY2(ui().back()
                     && answerInService({ { "newPasswordField", "first" }, { "confirmPasswordField", "first" } }),
                 qPrintable(output()));
        QVERIFY2(reach("plixPage5"), qPrintable(output()));
        QCOMPARE(h.database().keyRow(keyHolderId).preference, 2);
        QVERIFY(StoreProbe::keyOpensWith(keyHolderId, "first"));

        QVERIFY2(ui().click(QStringLiteral("changePassword")), qPrintable(ui().lastError()));
        QVERIFY2(answerInService({ { "currentPasswordField", "first" },
                                   { "newPasswordField", "second" },
                                   { "confirmPasswordField", "second" } }),
                 qPrintable(output()));
        QVERIFY2(reach("plixPage5"), qPrintable(output()));
        QTRY_VERIFY(StoreProbe::keyOpensWith(keyHolderId, "second"));
        QVERIFY(!StoreProbe::keyOpensWith(keyHolderId, "first"));
    }

    // Deleting the certificate of a details page opened from another one
    // removes it from its domain and returns to the list.
    void deletionFromNestedDetails()
    {
        QCOMPARE(domainHolds(QStringLiteral("ssl-ca")).size(), 1);
        QVERIFY2(ui().clickText(AppletDevice::keyHolderName) && reach("plixPage5")
                     && ui().clickText(AppletDevice::intermediateName) && reach("plixPage6")
                     && ui().click("deleteCertificate") && ui().answer("No"),
                 qPrintable(ui().lastError()));
        QVERIFY(ui().waitFor(QStringLiteral("plixPage6")));
        QCOMPARE(domainHolds(QStringLiteral("ssl-ca")).size(), 1);
        QVERIFY2(ui().click("deleteCertificate") && ui().answer("Yes"), qPrintable(ui().lastError()));
        QVERIFY2(reach("plixPage0"), qPrintable(output()));
        QVERIFY2(domainHolds(QStringLiteral("ssl-ca")).isEmpty(), qPrintable(output()));
        QVERIFY(!ZelvoAutomationClient::hasWidget(ui().widgets(), QStringLiteral("plixPage6")));
        QVERIFY(domainHolds(QStringLiteral("ssl-user")).contains(keyHolderId));
    }

    // Of two certificates from a file, the first one the service refuses
    // (files lie where the domains would be) ends the installation.
    void importFailureStopsTheRest()
    {
        for (const char *domain : { "smime-user", "smime-ca" })
            QVERIFY(CertificateFactory::writeFile(h.root().privateDomainFolder(domain), "blocked"));
        QVERIFY2(importForSmime({ "pick_0", "pick_1" }), qPrintable(ui().lastError()));
        QTRY_COMPARE_WITH_TIMEOUT(logged(QStringLiteral("settingsChanged: insert failed")), 1, 30000);
        QVERIFY(ui().waitFor(QStringLiteral("certificateInstallPage")));
        QCOMPARE(logged(QStringLiteral(".*")), 1);
        for (const char *domain : { "smime-user", "smime-ca" })
            QVERIFY(QFile::remove(h.root().privateDomainFolder(domain)));
    }

    // A certificate picked from a file is installed for the purpose chosen
    // on the settings page that follows, and joins the list.
    void importFromAFile()
    {
        QVERIFY2(importForSmime({ "pick_0" }), qPrintable(ui().lastError()));
        QTRY_COMPARE_WITH_TIMEOUT(domainHolds("smime-user").size() + domainHolds("smime-ca").size(), 1, 30000);
        while (!ZelvoAutomationClient::hasWidget(ui().widgets(), QStringLiteral("plixPage0")))
            QVERIFY(ui().back());
        const bool leaf = !domainHolds("smime-user").isEmpty();
        QVERIFY2(ui().waitForText(QString::fromUtf8(leaf ? AppletDevice::importLeafName : "Import CA")),
                 qPrintable(output()));
    }

    // Without a service (it cannot start: its database is a folder) a change
    // and a deletion are D-Bus errors: logged, and the page stays.
    void absentService()
    {
        QVERIFY(h.bus().waitForName(QLatin1String(PrivateBus::serviceName), false, 30000));
        const QString database = h.root().resolve(QStringLiteral("/home/user/private/trustkeep.db"));
        QVERIFY(QFile::rename(database, database + ".away") && QDir().mkdir(database));
        QVERIFY2(openSettingsOf(AppletDevice::keyHolderName), qPrintable(ui().lastError()));
        QVERIFY(ui().click(QStringLiteral("purpose_wifi")) && ui().back());
        QTRY_COMPARE_WITH_TIMEOUT(logged(QStringLiteral("settingsChanged: dbus error: .+")), 1, 30000);
        QVERIFY(ui().waitFor(QStringLiteral("plixPage5")) && ui().click(QStringLiteral("deleteCertificate")));
        QVERIFY(ui().answer(QStringLiteral("Yes")));
        QTRY_COMPARE_WITH_TIMEOUT(logged(QStringLiteral("deleteCertificate: dbus error: .+")), 1, 30000);
        QVERIFY(ui().waitFor(QStringLiteral("plixPage5")));
        QVERIFY(QDir().rmdir(database) && QFile::rename(database + ".away", database));
        QCOMPARE(domainHolds(QStringLiteral("ssl-user")), QStringList(keyHolderId));
    }
};

QTEST_GUILESS_MAIN(TestTrustPanelHost)

#include "tst_trustpanelhost.moc"
