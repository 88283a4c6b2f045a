#include "plixappletdescriptor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {
// A descriptor is two short lines; anything this large is not one.
const qint64 maximumDescriptorSize = 64 * 1024;
} // namespace

bool PlixAppletDescriptor::isValidName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_.-]+$"));
    return pattern.match(name).hasMatch();
}

bool PlixAppletDescriptor::read(const QString &path, PlixAppletDescriptor *descriptor, QString *error)
{
    const QFileInfo info(path);
    if (!info.isFile()) {
        *error = QStringLiteral("%1 is not a file").arg(path);
        return false;
    }
    if (info.size() > maximumDescriptorSize) {
        *error = QStringLiteral("%1 is too large for an applet descriptor").arg(path);
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    QString name;
    QString plugin;
    int lineNumber = 0;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString &raw : lines) {
        ++lineNumber;
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const int equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0) {
            *error = QStringLiteral("%1:%2: expected Key=Value").arg(path).arg(lineNumber);
            return false;
        }
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        QString *target = key == QLatin1String("Name") ? &name : key == QLatin1String("Plugin") ? &plugin : nullptr;
        if (!target)
            continue; // later keys are for later hosts
        if (!target->isEmpty()) {
            *error = QStringLiteral("%1:%2: %3 given twice").arg(path).arg(lineNumber).arg(key);
            return false;
        }
        *target = value;
    }
    if (!isValidName(name)) {
        *error = name.isEmpty()
            ? QStringLiteral("%1: no Name").arg(path)
            : QStringLiteral("%1: the name \"%2\" may only hold letters, digits, '_', '-' and '.'").arg(path, name);
        return false;
    }
    if (plugin.isEmpty()) {
        *error = QStringLiteral("%1: no Plugin").arg(path);
        return false;
    }
    descriptor->name = name;
    descriptor->descriptorPath = info.absoluteFilePath();
    descriptor->pluginPath = QDir::cleanPath(info.absoluteDir().absoluteFilePath(plugin));
    return true;
}
