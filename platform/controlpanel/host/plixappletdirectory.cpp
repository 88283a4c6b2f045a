#include "plixappletdirectory.h"

#include "platformlog.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

// The installed applet folder as seen from this program's own folder, so that
// a tree installed under another root (a package unpacked for a check) finds
// its own applets before any compiled-in folder.
QString folderBesideProgram()
{
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    if (program.isEmpty())
        return QString();
    return QDir::cleanPath(QFileInfo(program).absolutePath() + QLatin1Char('/')
                           + QStringLiteral(PLIX_APPLET_DIR_FROM_PROGRAM));
}

} // namespace

const char *const PlixAppletDirectory::pathVariable = "PLIXCONTROLPANEL_APPLET_PATH";

QStringList PlixAppletDirectory::searchFolders()
{
    QStringList folders = QString::fromLocal8Bit(qgetenv(pathVariable)).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    const QString besideProgram = folderBesideProgram();
    if (!besideProgram.isEmpty() && QFileInfo(besideProgram).isDir())
        folders << besideProgram;
    folders << QStringLiteral(PLIX_BUILD_APPLET_DIR) << QStringLiteral(PLIX_INSTALL_APPLET_DIR);
    folders.removeDuplicates();
    return folders;
}

PlixAppletDirectory::PlixAppletDirectory(const QStringList &folders)
    : m_folders(folders)
{
}

QStringList PlixAppletDirectory::folders() const
{
    return m_folders;
}

QList<PlixAppletDescriptor> PlixAppletDirectory::applets() const
{
    QList<PlixAppletDescriptor> found;
    QSet<QString> names;
    for (const QString &folder : m_folders) {
        const QDir dir(folder);
        const QStringList files =
            dir.entryList({ QStringLiteral("*.applet") }, QDir::Files | QDir::Readable, QDir::Name);
        for (const QString &file : files) {
            PlixAppletDescriptor descriptor;
            QString error;
            if (!PlixAppletDescriptor::read(dir.absoluteFilePath(file), &descriptor, &error)) {
                PLATFORM_LOG_ERROR("skipping applet descriptor: %s", qPrintable(error));
                continue;
            }
            if (names.contains(descriptor.name)) {
                PLATFORM_LOG_ERROR("skipping applet descriptor %s: an earlier one already names \"%s\"",
                                   qPrintable(descriptor.descriptorPath), qPrintable(descriptor.name));
                continue;
            }
            names.insert(descriptor.name);
            found << descriptor;
        }
    }
    return found;
}

bool PlixAppletDirectory::find(const QString &name, PlixAppletDescriptor *descriptor) const
{
    for (const PlixAppletDescriptor &candidate : applets()) {
        if (candidate.name == name) {
            *descriptor = candidate;
            return true;
        }
    }
    return false;
}
