// The plixcontrolpanel program as a user and a test meet it: its command
// line, the sample applet run headless under automation, and the host and
// the service reachable at once through one socket setting.

#include "certificatefactory.h"
#include "privatebus.h"
#include "sampleappletfixture.h"
#include "temporarydeviceroot.h"
#include "testprogram.h"

#include <trustkeepclient.h>
#include <trustkeepservice.h>

#include <zelvoautomationclient.h>

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
struct Host {
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
        process.kill();
        process.waitForFinished();
    }
    QJsonObject topPage() { return ui.pages().value(QStringLiteral("pages")).toArray().last().toObject(); }
    QJsonArray menu() { return ui.widgets().value(QStringLiteral("menu")).toArray(); }
};

// The window as a picture: the window's size and more than a blank screen.
bool isRealScreenshot(const QString &path)
{
    const QImage picture(path);
    QSet<QRgb> colours;
    for (int i = 0; i < picture.width() * picture.height(); i += 97)
        colours.insert(picture.pixel(i % picture.width(), i / picture.width()));
    if (!qEnvironmentVariableIsEmpty("TRUSTKEEP_KEEP_SCREENSHOTS"))
        QFile::copy(path,
                    qEnvironmentVariable("TRUSTKEEP_KEEP_SCREENSHOTS") + "/plixcontrolpanel-"
                        + QFileInfo(path).fileName());
    return picture.size() == QSize(480, 854) && colours.size() >= 8;
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
    QTest::addColumn<QString>("extraApplet"); // what the plug-in of the applet "extra" is, if any
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output"); // expected in stdout (status 0) or stderr

    const QStringList extra = { "--applet", "extra" };
    QTest::newRow("alone it lists the applets")
        << QStringList() << "" << 0 << "sample\t" + sampleDescriptor().pluginPath;
    QTest::newRow("the variable's folders too") << QStringList() << "text" << 0 << "extra\t";
    QTest::newRow("unknown name") << QStringList({ "--applet", "nope" }) << "" << 1 << "no applet named \"nope\"";
    QTest::newRow("no plug-in file") << extra << "missing" << 1 << "libextra.so does not exist";
    QTest::newRow("plug-in that is not one") << extra << "text" << 1 << "not a Qt plug-in";
    QTest::newRow("plug-in of another interface")
        << extra << "other interface" << 1 << "built for the interface \"com.tavelo.zelvo.core.PlixAppletIf/9.0\"";
    QTest::newRow("plug-in of a newer Qt") << extra << "newer Qt" << 1 << "built with Qt 5.99.0";
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
        const QString plugin = dir.filePath(QStringLiteral("libextra.so"));
        if (extraApplet == QLatin1String("text"))
            QVERIFY(QFile(plugin).open(QIODevice::WriteOnly));
        else if (extraApplet != QLatin1String("missing"))
            QVERIFY(alteredSamplePlugin(plugin,
                                        extraApplet == QLatin1String("newer Qt")
                                            ? QByteArray(PlixAppletIf_iid)
                                            : QByteArray("com.tavelo.zelvo.core.PlixAppletIf/9.0"),
                                        extraApplet == QLatin1String("newer Qt") ? 99 : -1));
        QFile descriptor(dir.filePath(QStringLiteral("extra.applet")));
        QVERIFY(descriptor.open(QIODevice::WriteOnly) && descriptor.write("Name=extra\nPlugin=libextra.so\n") > 0);
        descriptor.close();
        environment.insert(QStringLiteral("PLIXCONTROLPANEL_APPLET_PATH"), dir.path());
    }
    QProcess host;
    host.setProcessEnvironment(environment);
    host.start(hostBinary(), arguments);
    QVERIFY(host.waitForFinished(30000));
    const QString out = QString::fromUtf8(host.readAllStandardOutput());
    const QString err = QString::fromUtf8(host.readAllStandardError());
    QCOMPARE(host.exitStatus(), QProcess::NormalExit);
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

    // The menu opened by its button shows the action; the screenshot has it.
    QVERIFY(host.ui.click(QStringLiteral("zelvoMenuButton")));
    QVERIFY(host.ui.waitFor(QStringLiteral("sampleOpenAction"), uiWaitMs));
    QVERIFY(host.ui.screenshot(dir.filePath("menu.png")));
    QVERIFY(isRealScreenshot(dir.filePath("menu.png")));
    QVERIFY(host.ui.back()); // closes the menu

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
    TestProgram service(environment);
    service.start({ QStringLiteral("--dbus") });
    QVERIFY(bus.waitForName(QLatin1String(PrivateBus::serviceName), true));
    Host host(dir.path(), environment);

    // The service raises its question page while the host shows the applet.
    CertificateFactory::Options options;
    options.commonName = QStringLiteral("two-sockets.example");
    const auto server = CertificateFactory::makeSelfSigned(options);
    TrustkeepClient client(QLatin1String(TrustkeepService::name), QLatin1String(TrustkeepService::path),
                           bus.connection());
    client.setTimeout(120000);
    QDBusPendingCall call =
        client.CheckCertificate(QString::fromLatin1(CertificateFactory::toDer(server.certificate.data()).toBase64()));

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
