// plixcontrolpanel: the settings control panel. Alone it lists the applets it
// can open; with "--applet NAME" it opens that applet at its main page and
// ends when the user goes back from it.

#include "platformlog.h"
#include "plixappletdirectory.h"
#include "plixappletloader.h"
#include "plixpagestack.h"

#include <zelvoapplication.h>
#include <zelvoapplicationwindow.h>

#include <QCoreApplication>
#include <QTextStream>

#include <cstring>

namespace {

enum Status {
    Success = 0,
    Failure = 1,
    UsageError = 2
};

int fail(const QString &message, int status = Failure)
{
    QTextStream(stderr) << "plixcontrolpanel: " << message << '\n';
    PLATFORM_LOG_ERROR("%s", qPrintable(message));
    return status;
}

int listApplets(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    for (const PlixAppletDescriptor &applet : PlixAppletDirectory().applets())
        out << applet.name << '\t' << applet.pluginPath << '\n';
    return Success;
}

int runApplet(int argc, char **argv, const QString &name)
{
    PlixAppletDescriptor descriptor;
    const PlixAppletDirectory directory;
    if (!directory.find(name, &descriptor))
        return fail(QStringLiteral("no applet named \"%1\" (searched %2)")
                        .arg(name, directory.folders().join(QLatin1Char(':'))));

    ZelvoApplication app(argc, argv, QStringLiteral("plixcontrolpanel"));
    // Declared in this order so that the pages go before the window, and the
    // window before the plug-in whose code the pages run.
    PlixAppletLoader loader(descriptor);
    ZelvoApplicationWindow window;
    window.setPortraitOrientation();
    window.show();

    PlixAppletIf *applet = loader.load();
    if (!applet)
        return fail(loader.errorString());
    int status;
    {
        PlixPageStack stack(applet, &window);
        QObject::connect(&stack, &PlixPageStack::finished, &app, &QCoreApplication::quit, Qt::QueuedConnection);
        if (!stack.open())
            return fail(QStringLiteral("the applet \"%1\" gave no main page").arg(name));
        status = app.exec();
    }
    // Pages that left the stack are deleted later; do it while the plug-in is loaded.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 1)
        return listApplets(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--applet") == 0)
        return runApplet(argc, argv, QString::fromLocal8Bit(argv[2]));
    return fail(QStringLiteral("usage: plixcontrolpanel [--applet NAME]"), UsageError);
}
