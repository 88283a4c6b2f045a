#include "appletdevice.h"

#include <zelvoautomationclient.h>

#include <QJsonArray>
#include <QProcess>
#include <QtTest>

// The flows a user walks through the control panel with the applet, on the
// host program with automation, the real service on the test's bus. Each
// page shown is saved as a screenshot under <build>/applet-screenshots/.
class TestTrustPanelHost : public QObject
{
    Q_OBJECT

    AppletDevice device;
    QTemporaryDir sockets;
    QProcess host;
    ZelvoAutomationClient ui;
    QString screenshotDir;

    // The names on the certificate rows on display.
    QStringList rowsShown()
    {
        QStringList names;
        const QJsonArray widgets = ui.widgets().value(QStringLiteral("widgets")).toArray();
        for (const QJsonValue &w : widgets)
            if (w.toObject().value(QStringLiteral("class")).toString() == QLatin1String("CertificateItemWidget"))
                names << w.toObject().value(QStringLiteral("text")).toString();
        names.sort();
        return names;
    }

    QJsonObject topPage() { return ui.widgets().value(QStringLiteral("page")).toObject(); }

    QStringList menuShown()
    {
        QStringList names;
        for (const QJsonValue &v : ui.widgets().value(QStringLiteral("menu")).toArray())
            names << v.toString();
        return names;
    }

    bool shoot(const QString &name)
    {
        const QString path = screenshotDir + QLatin1Char('/') + name + QStringLiteral(".png");
        return ui.screenshot(path) && QFileInfo(path).size() > 0;
    }

    QString hostOutput() { return QString::fromLocal8Bit(host.readAllStandardError()); }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(device.setUp(&error), qPrintable(error));
        screenshotDir = qEnvironmentVariable("TRUSTKEEP_BUILD_DIR") + QStringLiteral("/applet-screenshots");
        QVERIFY(QDir().mkpath(screenshotDir));
    }

    // Each flow starts the control panel afresh on the applet's list.
    void init()
    {
        QProcessEnvironment env = device.bus.environment();
        env.insert(QStringLiteral("ZELVO_AUTOMATION_SOCKET"), sockets.filePath(QStringLiteral("%a.sock")));
        host.setProcessEnvironment(env);
        host.start(qEnvironmentVariable("TRUSTKEEP_BUILD_DIR") + QStringLiteral("/bin/plixcontrolpanel"),
                   { QStringLiteral("--applet"), QStringLiteral("trustpanel") });
        QVERIFY2(host.waitForStarted(), qPrintable(host.errorString()));
        ui.setSocketPath(sockets.filePath(QStringLiteral("plixcontrolpanel.sock")));
        QVERIFY2(ui.connectToServer(30000), qPrintable(ui.lastError() + hostOutput()));
        QVERIFY2(ui.waitFor(QStringLiteral("certificatesListPage"), 30000), qPrintable(ui.lastError()));
        QVERIFY2(ui.waitForText(QString::fromUtf8(AppletDevice::keyHolderName), 60000), qPrintable(hostOutput()));
    }

    void cleanup()
    {
        ui.disconnectFromServer();
        host.kill();
        host.waitForFinished();
    }

    void listByKind()
    {
        QCOMPARE(topPage().value(QStringLiteral("title")).toString(), QStringLiteral("Certificates"));
        QCOMPARE(menuShown().last(), QStringLiteral("importNew"));
        QCOMPARE(rowsShown(), QStringList({ AppletDevice::intermediateName, AppletDevice::rootName,
                                            AppletDevice::keyHolderName, AppletDevice::plainName,
                                            AppletDevice::serverName }));
        QVERIFY(shoot(QStringLiteral("list-all")));
        const QList<QPair<QString, QStringList>> kinds = {
            { "Root certificates", { AppletDevice::intermediateName, AppletDevice::rootName } },
            { "User certificates", { AppletDevice::keyHolderName, AppletDevice::plainName } },
            { "Server certificates", { AppletDevice::serverName } },
        };
        for (const auto &kind : kinds) {
            QVERIFY2(ui.click(QStringLiteral("certificatesDisplayed")), qPrintable(ui.lastError()));
            QVERIFY2(ui.clickText(kind.first), qPrintable(ui.lastError()));
            // The menu stays open over the list until it is dismissed.
            if (ZelvoAutomationClient::hasWidget(ui.widgets(), QStringLiteral("zelvoApplicationMenu")))
                QVERIFY(ui.back());
            QTRY_COMPARE(rowsShown(), kind.second);
            QVERIFY(ui.waitFor(QStringLiteral("plixPage0")));
            QVERIFY(shoot(QStringLiteral("list-") + kind.first.section(QLatin1Char(' '), 0, 0).toLower()));
        }
    }

    void detailsWithRelatedCertificate()
    {
        QVERIFY(ui.clickText(QString::fromUtf8(AppletDevice::keyHolderName)));
        QVERIFY2(ui.waitFor(QStringLiteral("plixPage5")), qPrintable(ui.lastError()));
        QCOMPARE(topPage().value(QStringLiteral("title")).toString(), QStringLiteral("Certificate details"));
        QCOMPARE(menuShown(), QStringList({ "certificateSettings", "deleteCertificate", "changePassword" }));
        QVERIFY(shoot(QStringLiteral("details")));

        QVERIFY(ui.clickText(QString::fromUtf8(AppletDevice::intermediateName)));
        QVERIFY2(ui.waitFor(QStringLiteral("plixPage6")), qPrintable(ui.lastError()));
        QCOMPARE(menuShown(), QStringList({ "certificateSettings", "deleteCertificate" }));
        QVERIFY(shoot(QStringLiteral("details-related")));

        // Back on the first certificate's page, its menu is back; so are
        // its title and menu after a visit to its settings.
        QVERIFY(ui.back());
        QVERIFY(ui.waitFor(QStringLiteral("plixPage5")));
        QCOMPARE(menuShown().size(), 3);
        QVERIFY2(ui.click(QStringLiteral("certificateSettings")), qPrintable(ui.lastError()));
        QVERIFY2(ui.waitFor(QStringLiteral("certificateSettingsPage")), qPrintable(ui.lastError()));
        QVERIFY(menuShown().isEmpty());
        QVERIFY(ui.back());
        QVERIFY(ui.waitFor(QStringLiteral("plixPage5")));
        QCOMPARE(topPage().value(QStringLiteral("title")).toString(), QStringLiteral("Certificate details"));
        QCOMPARE(menuShown().size(), 3);
        QVERIFY(ui.back());
        QVERIFY(ui.waitFor(QStringLiteral("plixPage0")));
        QCOMPARE(menuShown().last(), QStringLiteral("importNew"));
    }

    void fileListToInstallPage()
    {
        QVERIFY2(ui.click(QStringLiteral("importNew")), qPrintable(ui.lastError()));
        QVERIFY2(ui.waitFor(QStringLiteral("certificateFileListPage")), qPrintable(ui.lastError()));
        QVERIFY2(ui.waitForText(QStringLiteral("import.pem"), 30000), qPrintable(ui.lastError()));
        QVERIFY(topPage().value(QStringLiteral("title")).toString().startsWith(QLatin1String("Import certificates")));
        QVERIFY(shoot(QStringLiteral("file-list")));

        QVERIFY(ui.clickText(QStringLiteral("import.pem")));
        QVERIFY2(ui.waitFor(QStringLiteral("certificateInstallPage")), qPrintable(ui.lastError()));
        QVERIFY(menuShown().isEmpty());
        QVERIFY(shoot(QStringLiteral("install")));

        QVERIFY(ui.click(QStringLiteral("pick_0")));
        QVERIFY(ui.click(QStringLiteral("installButton")));
        QVERIFY2(ui.waitFor(QStringLiteral("certificateSettingsPage")), qPrintable(ui.lastError()));
        QCOMPARE(topPage().value(QStringLiteral("title")).toString(), QStringLiteral("Certificate settings"));
        QVERIFY(shoot(QStringLiteral("settings")));
    }
};

QTEST_GUILESS_MAIN(TestTrustPanelHost)

#include "tst_trustpanelhost.moc"
