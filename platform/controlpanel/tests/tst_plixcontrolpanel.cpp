// The plixcontrolpanel program as a user and a test meet it: its command
// line, and the sample applet run headless under automation on the socket
// of its own application name (the host and the service at once through one
// socket setting is the applet's host test).

#include "processtestharness.h"
#include "sampleappletfixture.h"

#include <QImage>
#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const int uiWaitMs = 15000;

QString hostBinary()
{
    return TestProgram::buildBinary(QStringLiteral("plixcontrolpanel"));
}

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
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("extraApplet"); // the plug-in of the applet "extra": "missing" or "text"
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output"); // expected in stdout (status 0) or stderr

        const QStringList extra = { "--applet", "extra" };
        QTest::newRow("alone it lists the applets")
            << QStringList() << "" << 0 << "sample\t" + sampleDescriptor().pluginPath;
        QTest::newRow("the variable's folders too") << QStringList() << "text" << 0 << "extra\t";
        QTest::newRow("unknown name") << QStringList({ "--applet", "nope" }) << "" << 1 << "no applet named \"nope\"";
        QTest::newRow("no plug-in file") << extra << "missing" << 1 << "libextra.so does not exist";
        QTest::newRow("plug-in that is not one") << extra << "text" << 1 << "not a Qt plug-in";
        QTest::newRow("unknown option") << QStringList({ "--bogus" }) << "" << 2 << "usage: plixcontrolpanel";
    }

    void commandLine()
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

    void sampleRunsHeadlessUnderAutomation()
    {
        ProcessTestHarness::Options options;
        options.perApplicationSockets = true; // "%a" in the socket setting
        ProcessTestHarness h(options);
        TestProgram &host = h.startProgram({ QStringLiteral("--applet"), QStringLiteral("sample") }, hostBinary());
        ZelvoAutomationClient &ui = h.ui(QStringLiteral("plixcontrolpanel"));
        auto title = [&] {
            return ui.widgets().value(QStringLiteral("page")).toObject().value(QStringLiteral("title"));
        };
        auto menu = [&] { return ui.widgets().value(QStringLiteral("menu")).toArray(); };
        QVERIFY(ui.waitFor(QStringLiteral("samplePage0"), uiWaitMs));
        QCOMPARE(title().toString(), QStringLiteral("Sample"));
        QCOMPARE(menu(), QJsonArray({ QStringLiteral("sampleOpenAction") }));

        // The menu opened by its button shows the action; the screenshot has it.
        QVERIFY(ui.click(QStringLiteral("zelvoMenuButton")));
        QVERIFY(ui.waitFor(QStringLiteral("sampleOpenAction"), uiWaitMs));
        QVERIFY(ui.screenshot(h.root().resolve(QStringLiteral("/menu.png"))));
        QVERIFY(isRealScreenshot(h.root().resolve(QStringLiteral("/menu.png"))));
        QVERIFY(ui.back()); // closes the menu

        // Tapped by name through automation, the action opens page 1.
        QVERIFY2(ui.click(QStringLiteral("sampleOpenAction")), qPrintable(ui.lastError()));
        QVERIFY(ui.waitFor(QStringLiteral("samplePage1"), uiWaitMs));
        QCOMPARE(title().toString(), QStringLiteral("Sample page 1"));
        QCOMPARE(menu(), QJsonArray({ QStringLiteral("sampleBannerAction") }));

        // Message boxes and banners of the applet show in the host's window.
        QVERIFY(ui.click(QStringLiteral("sampleMessageButton")));
        QVERIFY(ui.waitFor(QStringLiteral("sampleMessageBox"), uiWaitMs));
        QVERIFY(ui.answer(QStringLiteral("Ok")));
        QVERIFY(ui.click(QStringLiteral("sampleBannerAction")));
        QVERIFY(ui.waitFor(QStringLiteral("sampleBanner"), uiWaitMs));

        // Back twice leaves the applet, and the program ends well.
        QVERIFY(ui.back());
        QVERIFY(ui.waitFor(QStringLiteral("samplePage0"), uiWaitMs));
        QVERIFY(ui.back());
        QVERIFY(host.waitForFinished(30000));
        QCOMPARE(host.exitCode(), 0);
    }
};

QTEST_MAIN(tst_PlixControlPanel)
#include "tst_plixcontrolpanel.moc"
