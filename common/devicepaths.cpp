#include "devicepaths.h"

#include <QDir>

namespace DevicePaths {

QString root()
{
    QString value = QString::fromLocal8Bit(qgetenv("TRUSTKEEP_DEVICE_ROOT"));
    while (value.size() > 1 && value.endsWith(QLatin1Char('/')))
        value.chop(1);
    if (value == QLatin1String("/"))
        return QString();
    return value;
}

QString resolve(const QString &devicePath)
{
    return root() + devicePath;
}

QString home()
{
    return resolve(QStringLiteral("/home/user"));
}

QString privateDir()
{
    return resolve(QStringLiteral("/home/user/private"));
}

QString trustDatabase()
{
    return resolve(QStringLiteral("/home/user/private/trustkeep.db"));
}

} // namespace DevicePaths
