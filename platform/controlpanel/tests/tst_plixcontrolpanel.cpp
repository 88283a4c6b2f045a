// The plixcontrolpanel program as a user and a test meet it: its command
// line, the sample applet run headless under automation, and the host and
// the service reachable at once through one socket setting.

#include "certificatefactory.h"
#include "privatebus.h"
#include "sampleappletfixture.h"
#include "temporarydeviceroot.h"
#include "trustkeepprocess.h"

#include <zelvoautomationclient.h>

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QImage>
#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const int uiWaitMs = 15000;

QString hostBinary()
{
    return qEnvironmentVariable("TRUSTKEEP_BUILD_DIR") + QStringLiteral("/bin/plixcontrolpanel");
}

// The host started with the automation socket "<folder>/%a.sock".
struct Host
{
    QProcess process;
    ZelvoAutomationClient ui;

    Host(const QString &folder, QProcessEnvironment environment = QProcessEnvironment::systemEnvironment())
        : ui(folder + QStringLiteral("/plixcontrolpanel.sock"))
    {
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("ZELVO_AUTOMATION_SOCKET"), folder + QStringLiteral("/%a.sock"));
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(hostBinary(), { QStringLiteral("--applet"), QStringLiteral("sample") });
    }
    ~Host()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }
    QJsonObject topPage() { return ui.pages().value(QStringLiteral("pages")).toArray().last().toObject(); }
    QJsonArray menu() { return ui.widgets().value(QStringLiteral("menu")).toArray(); }
};

// The window as a picture: the window's size and more than a blank screen.
bool isRealScreenshot(const QString &path)
{
    const QImage picture(path);
    if (picture.size() != QSize(480, 854))
        return false;
    QSet<QRgb> colours;
    for (int y = 0; y < picture.height(); y += 7) {
        for (int x = 0; x < picture.width(); x += 7)
            colours.insert(picture.pixel(x, y));
    }
    const QString keep = qEnvironmentVariable("TRUSTKEEP_KEEP_SCREENSHOTS");
    if (!keep.isEmpty())
        QFile::copy(path, keep + QStringLiteral("/plixcontrolpanel-") + QFileInfo(path).fileName());
    return colours.size() >= 8;
}

} // namespace

class tst_PlixControlPanel : public QObject
{
    Q_OBJECT

private slots:
    void commandLine_data();
    void commandLine();
    void sampleRunsHeadlessUnderAutomation();
    void hostAndServiceAnswerOnTheirOwnSockets();
};

void tst_PlixControlPanel::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("extraApplet");  // plug-in of the applet "extra" in a folder of the variable
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");       // expected in stdout (status 0) or stderr

    const QString buildApplets = QFileInfo(sampleDescriptor().pluginPath).absolutePath();
    QTest::newRow("alone it lists the applets") << QStringList() << "" << 0
                                                << "sample\t" + buildApplets + "/libsampleapplet.so";
    QTest::newRow("the variable's folders too") << QStringList() << "text" << 0 << "extra\t";
    QTest::newRow("unknown name") << QStringList({ "--applet", "nope" }) << "" << 1 << "no applet named \"nope\"";
    QTest::newRow("plug-in that is not one") << QStringList({ "--applet", "extra" }) << "text" << 1
                                             << "cannot load the applet \"extra\"";
    QTest::newRow("plug-in of another interface") << QStringList({ "--applet", "extra" }) << "other interface" << 1
                                                  << "built for the interface \"com.tavelo.zelvo.core.PlixAppletIf/9.0\"";
    QTest::newRow("unknown option") << QStringList({ "--bogus" }) << "" << 2 << "usage: plixcontrolpanel";
}

void tst_PlixControlPanel::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, extraApplet);
    QFETCH(int, status);
    QFETCH(QString, output);

    QTemporaryDir dir;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (!extraApplet.isEmpty()) {
        QString plugin = dir.filePath(QStringLiteral("libextra.so"));
        if (extraApplet == QLatin1String("text"))
            QVERIFY(QFile(plugin).open(QIODevice::WriteOnly));
        else
            plugin = alteredSamplePlugin(dir.path(), "com.tavelo.zelvo.core.PlixAppletIf/9.0", -1);
        QFile descriptor(dir.filePath(QStringLiteral("extra.applet")));
        QVERIFY(descriptor.open(QIODevice::WriteOnly));
        descriptor.write("Name=extra\nPlugin=" + QFileInfo(plugin).fileName().toUtf8() + "\n");
        descriptor.close();
        environment.insert(QStringLiteral("PLIXCONTROLPANEL_APPLET_PATH"), dir.path());
    }
    QProcess host;
    host.setProcessEnvironment(environment);
    host.start(hostBinary(), arguments);
    QVERIFY(host.waitForFinished(30000));
    QCOMPARE(host.exitStatus(), QProcess::NormalExit);
    const QString out = QString::fromUtf8(host.readAllStandardOutput());
    const QString err = QString::fromUtf8(host.readAllStandardError());
    QCOMPARE(host.exitCode(), status);
    QVERIFY2((status == 0 ? out : err).contains(output), qPrintable(out + err));
}

void tst_PlixControlPanel::sampleRunsHeadlessUnderAutomation()
{
    QTemporaryDir dir;
    Host host(dir.path());
    QVERIFY(host.ui.connectToServer());
    QVERIFY(host.ui.waitFor(QStringLiteral("samplePage0"), uiWaitMs));
    QCOMPARE(host.topPage().value(QStringLiteral("title")).toString(), QStringLiteral("Sample"));
    QCOMPARE(host.menu(), QJsonArray({ QStringLiteral("sampleOpenAction") }));
    QVERIFY(isRealScreenshot(host.ui.screenshot(dir.filePath("main.png")) ? dir.filePath("main.png") : QString()));

    // The menu opened by its button shows the action; the screenshot has it.
    QVERIFY(host.ui.click(QStringLiteral("zelvoMenuButton")));
    QVERIFY(host.ui.waitFor(QStringLiteral("sampleOpenAction"), uiWaitMs));
    QVERIFY(isRealScreenshot(host.ui.screenshot(dir.filePath("menu.png")) ? dir.filePath("menu.png") : QString()));
    QVERIFY(host.ui.back());  // closes the menu

    // Tapped by name through automation, the action opens page 1.
    QVERIFY2(host.ui.click(QStringLiteral("sampleOpenAction")), qPrintable(host.ui.lastError()));
    QVERIFY(host.ui.waitFor(QStringLiteral("samplePage1"), uiWaitMs));
    QCOMPARE(host.topPage().value(QStringLiteral("title")).toString(), QStringLiteral("Sample page 1"));
    QCOMPARE(host.menu(), QJsonArray({ QStringLiteral("sampleBannerAction") }));

    // Message boxes and banners of the applet show in the host's window.
    QVERIFY(host.ui.click(QStringLiteral("sampleMessageButton")));
    QVERIFY(host.ui.waitFor(QStringLiteral("sampleMessageBox"), uiWaitMs));
    QVERIFY(host.ui.answer(QStringLiteral("Ok")));
    QVERIFY(host.ui.click(QStringLiteral("sampleBannerAction")));
    QVERIFY(host.ui.waitFor(QStringLiteral("sampleBanner"), uiWaitMs));

    // Back twice leaves the applet, and the program ends well.
    QVERIFY(host.ui.back());
    QVERIFY(host.ui.waitFor(QStringLiteral("samplePage0"), uiWaitMs));
    QVERIFY(host.ui.back());
    QVERIFY(host.process.waitForFinished(30000));
    QCOMPARE(host.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(host.process.exitCode(), 0);
}

void tst_PlixControlPanel::hostAndServiceAnswerOnTheirOwnSockets()
{
    TemporaryDeviceRoot root;
    PrivateBus bus;
    QVERIFY2(bus.isRunning(), qPrintable(bus.errorString()));
    QTemporaryDir dir;
    QProcessEnvironment environment = bus.environment();
    environment.insert(QStringLiteral("ZELVO_AUTOMATION_SOCKET"), dir.filePath(QStringLiteral("%a.sock")));
    TrustkeepProcess service(environment);
    service.start({ QStringLiteral("--dbus") });
    QVERIFY(bus.waitForName(QLatin1String(PrivateBus::serviceName), true));
    Host host(dir.path(), environment);

    // The service raises its question page while the host shows the applet.
    CertificateFactory::Options options;
    options.commonName = QStringLiteral("two-sockets.example");
    const auto server = CertificateFactory::makeSelfSigned(options);
    QDBusMessage check = QDBusMessage::createMethodCall(QLatin1String(PrivateBus::serviceName), QStringLiteral("/request"),
                                                        QLatin1String(PrivateBus::serviceName), QStringLiteral("CheckCertificate"));
    check.setArguments({ QString::fromLatin1(CertificateFactory::toDer(server.certificate.data()).toBase64()) });
    QDBusPendingCall call = bus.connection().asyncCall(check, 120000);

    ZelvoAutomationClient serviceUi(dir.filePath(QStringLiteral("trustkeep_dbus.sock")));
    QVERIFY(serviceUi.connectToServer());
    QVERIFY(host.ui.connectToServer());
    QVERIFY(serviceUi.waitFor(QStringLiteral("serverCertificateInstallNewPage"), uiWaitMs));
    QVERIFY(host.ui.waitFor(QStringLiteral("samplePage0"), uiWaitMs));
    QVERIFY(host.ui.click(QStringLiteral("sampleNextButton")));
    QVERIFY(host.ui.waitFor(QStringLiteral("samplePage1"), uiWaitMs));
    QVERIFY(!ZelvoAutomationClient::hasWidget(host.ui.widgets(), QStringLiteral("serverCertificateInstallNewPage")));

    QVERIFY(serviceUi.back());
    QVERIFY(QTest::qWaitFor([&] { return call.isFinished(); }, 30000));
    QVERIFY(host.ui.waitFor(QStringLiteral("samplePage1"), uiWaitMs));
}

QTEST_MAIN(tst_PlixControlPanel)
#include "tst_plixcontrolpanel.moc"
