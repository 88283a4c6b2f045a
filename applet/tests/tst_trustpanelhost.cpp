#include "appletdevice.h"

#include <zelvoautomationclient.h>

#include <QJsonArray>
#include <QProcess>
#include <QtTest>

// The flows a user walks through the control panel with the applet: the host
// program driven by automation, the real service on the test's bus. Each page
// shown is saved as a screenshot under <build>/applet-screenshots/.
class TestTrustPanelHost : public QObject
{
    Q_OBJECT

    AppletDevice device;
    QTemporaryDir sockets;
    QProcess host;
    ZelvoAutomationClient ui;

    QStringList shown(const QString &what) // "rows", "menu", or "title"
    {
        const QJsonObject reply = ui.widgets();
        QStringList found;
        if (what == QLatin1String("title"))
            found << reply.value("page").toObject().value("title").toString();
        for (const QJsonValue &v : reply.value("menu").toArray())
            if (what == QLatin1String("menu"))
                found << v.toString();
        for (const QJsonValue &w : reply.value("widgets").toArray())
            if (what == QLatin1String("rows") && w.toObject().value("class") == QLatin1String("CertificateItemWidget"))
                found << w.toObject().value("text").toString();
        return what == QLatin1String("rows") ? (found.sort(), found) : found;
    }

    bool shoot(const QString &name)
    {
        const QString dir = qEnvironmentVariable("TRUSTKEEP_BUILD_DIR") + QStringLiteral("/applet-screenshots/");
        return QDir().mkpath(dir) && ui.screenshot(dir + name + ".png") && QFileInfo(dir + name + ".png").size() > 0;
    }

    // Waits for the object, with what went wrong as the message.
    bool reach(const QString &objectName) { return ui.waitFor(objectName, 30000); }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(device.setUp(&error), qPrintable(error));
    }

    // Each flow starts the control panel afresh on the applet's list.
    void init()
    {
        QProcessEnvironment env = device.bus.environment();
        env.insert(QStringLiteral("ZELVO_AUTOMATION_SOCKET"), sockets.filePath(QStringLiteral("%a.sock")));
        host.setProcessEnvironment(env);
        host.start(qEnvironmentVariable("TRUSTKEEP_BUILD_DIR") + "/bin/plixcontrolpanel", { "--applet", "trustpanel" });
        ui.setSocketPath(sockets.filePath(QStringLiteral("plixcontrolpanel.sock")));
        QVERIFY2(ui.connectToServer(30000) && reach("certificatesListPage"), qPrintable(host.readAllStandardError()));
        QVERIFY2(ui.waitForText(AppletDevice::keyHolderName, 60000), qPrintable(host.readAllStandardError()));
    }

    void cleanup()
    {
        ui.disconnectFromServer();
        host.kill();
        host.waitForFinished();
    }

    void listByKind()
    {
        QCOMPARE(shown("title"), QStringList("Certificates"));
        QCOMPARE(shown("menu").value(1), QStringLiteral("importNew"));
        QCOMPARE(shown("rows"),
                 QStringList({ AppletDevice::intermediateName, AppletDevice::rootName, AppletDevice::keyHolderName,
                               AppletDevice::plainName, AppletDevice::serverName }));
        QVERIFY(shoot("list-all"));
        const QList<QPair<QString, QStringList>> kinds = {
            { "Root certificates", { AppletDevice::intermediateName, AppletDevice::rootName } },
            { "User certificates", { AppletDevice::keyHolderName, AppletDevice::plainName } },
            { "Server certificates", { AppletDevice::serverName } },
        };
        for (const auto &kind : kinds) {
            QVERIFY2(ui.click("certificatesDisplayed") && ui.clickText(kind.first), qPrintable(ui.lastError()));
            // The menu stays open over the list until it is dismissed.
            if (ZelvoAutomationClient::hasWidget(ui.widgets(), QStringLiteral("zelvoApplicationMenu")))
                QVERIFY(ui.back());
            QTRY_COMPARE(shown("rows"), kind.second);
            QVERIFY(reach("plixPage0") && shoot("list-" + kind.first.section(' ', 0, 0).toLower()));
        }
    }

    // Back on the first certificate's page, its menu is back; so are its
    // title and menu after a visit to its settings.
    void detailsWithRelatedCertificate()
    {
        const QStringList keyMenu = { "certificateSettings", "deleteCertificate", "changePassword" };
        QVERIFY(ui.clickText(AppletDevice::keyHolderName) && reach("plixPage5"));
        QCOMPARE(shown("title"), QStringList("Certificate details"));
        QCOMPARE(shown("menu"), keyMenu);
        QVERIFY(shoot("details"));

        QVERIFY(ui.clickText(AppletDevice::intermediateName) && reach("plixPage6"));
        QCOMPARE(shown("menu"), keyMenu.mid(0, 2));
        QVERIFY(shoot("details-related"));

        QVERIFY(ui.back() && reach("plixPage5"));
        QCOMPARE(shown("menu"), keyMenu);
        QVERIFY(ui.click("certificateSettings") && reach("certificateSettingsPage"));
        QCOMPARE(shown("menu"), QStringList());
        QVERIFY(ui.back() && reach("plixPage5"));
        QCOMPARE(shown("title"), QStringList("Certificate details"));
        QCOMPARE(shown("menu"), keyMenu);
        QVERIFY(ui.back() && reach("plixPage0"));
        QCOMPARE(shown("menu").value(1), QStringLiteral("importNew"));
    }

    void fileListToInstallPage()
    {
        QVERIFY2(ui.click("importNew") && reach("certificateFileListPage"), qPrintable(ui.lastError()));
        QVERIFY(ui.waitForText("import.pem", 30000));
        QVERIFY(shown("title").value(0).startsWith(QLatin1String("Import certificates")));
        QVERIFY(shoot("file-list"));

        QVERIFY(ui.clickText("import.pem") && reach("certificateInstallPage"));
        QCOMPARE(shown("menu"), QStringList());
        QVERIFY(shoot("install"));

        QVERIFY(ui.click("pick_0") && ui.click("installButton") && reach("certificateSettingsPage"));
        QCOMPARE(shown("title"), QStringList("Certificate settings"));
        QVERIFY(shoot("settings"));
    }
};

QTEST_GUILESS_MAIN(TestTrustPanelHost)

#include "tst_trustpanelhost.moc"
