#include "otheruser.h"

#include "privatebus.h"

#include <QProcess>
#include <QStandardPaths>

#include <unistd.h>

bool OtherUser::isAvailable()
{
    return geteuid() == 0 && !QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty();
}

OtherUser::Result OtherUser::run(const QProcessEnvironment &environment, const QStringList &command, uint uid)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral("setpriv"), QStringList{ QStringLiteral("--reuid=%1").arg(uid),
                                                          QStringLiteral("--regid=%1").arg(uid),
                                                          QStringLiteral("--clear-groups") }
                      + command);
    Result result;
    const bool finished = process.waitForFinished(60000);
    result.output = QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    result.succeeded = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return result;
}

OtherUser::Result OtherUser::call(const PrivateBus &bus, const QString &method, const QStringList &arguments, uint uid)
{
    const QString service = QLatin1String(PrivateBus::serviceName);
    const QStringList command = QStringList{ QStringLiteral("gdbus"), QStringLiteral("call"), QStringLiteral("--system"),
                                             QStringLiteral("--dest"), service, QStringLiteral("--object-path"),
                                             QStringLiteral("/request"), QStringLiteral("--method"),
                                             service + QLatin1Char('.') + method }
        + arguments;
    return run(bus.environment(), command, uid);
}
