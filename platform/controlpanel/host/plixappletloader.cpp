#include "plixappletloader.h"

#include "platformlog.h"
#include "plixappletif.h"

#include <QFileInfo>

namespace {
const int appletInterfaceVersion = 10;

QString versionText(int version)
{
    return QStringLiteral("%1.%2.%3").arg((version >> 16) & 0xff).arg((version >> 8) & 0xff).arg(version & 0xff);
}
} // namespace

PlixAppletLoader::PlixAppletLoader(const PlixAppletDescriptor &descriptor)
    : m_descriptor(descriptor)
    , m_loader(descriptor.pluginPath)
{
}

PlixAppletLoader::~PlixAppletLoader()
{
    if (m_loader.isLoaded()) {
        delete m_loader.instance();
        m_loader.unload();
    }
}

QString PlixAppletLoader::incompatibility(const QJsonObject &metaData)
{
    if (metaData.isEmpty())
        return QStringLiteral("it is not a Qt plug-in (no plug-in metadata)");
    const QString iid = metaData.value(QLatin1String("IID")).toString();
    if (iid != QLatin1String(PlixAppletIf_iid))
        return QStringLiteral("it is built for the interface \"%1\", not \"%2\"")
            .arg(iid, QLatin1String(PlixAppletIf_iid));
    // Qt loads plug-ins of its own major version built with the same or an
    // older minor version.
    const int version = metaData.value(QLatin1String("version")).toInt(-1);
    if (version < 0 || (version & 0xff0000) != (QT_VERSION & 0xff0000) || (version & 0xff00) > (QT_VERSION & 0xff00))
        return QStringLiteral("it is built with Qt %1, which this control panel (Qt %2) cannot host")
            .arg(version < 0 ? QStringLiteral("(unknown)") : versionText(version), QLatin1String(qVersion()));
    const QJsonValue declared =
        metaData.value(QLatin1String("MetaData")).toObject().value(QLatin1String("interfaceVersion"));
    if (!declared.isUndefined() && declared.toInt(-1) != appletInterfaceVersion)
        return QStringLiteral("it declares interface version %1, not %2")
            .arg(declared.isDouble() ? QString::number(declared.toDouble()) : QStringLiteral("(not a number)"))
            .arg(appletInterfaceVersion);
    return QString();
}

PlixAppletIf *PlixAppletLoader::load()
{
    if (!QFileInfo(m_descriptor.pluginPath).isFile())
        return fail(QStringLiteral("its plug-in %1 does not exist").arg(m_descriptor.pluginPath));
    const QString why = incompatibility(m_loader.metaData());
    if (!why.isEmpty())
        return fail(why);
    QObject *object = m_loader.instance();
    if (!object)
        return fail(QStringLiteral("Qt could not load it: %1").arg(m_loader.errorString()));
    auto *applet = qobject_cast<PlixAppletIf *>(object);
    if (!applet)
        return fail(QStringLiteral("its object %1 does not implement PlixAppletIf")
                        .arg(QLatin1String(object->metaObject()->className())));
    return applet;
}

QObject *PlixAppletLoader::instance()
{
    return m_loader.isLoaded() ? m_loader.instance() : nullptr;
}

QString PlixAppletLoader::errorString() const
{
    return m_error;
}

PlixAppletIf *PlixAppletLoader::fail(const QString &reason)
{
    m_error = QStringLiteral("cannot load the applet \"%1\" (%2): %3")
                  .arg(m_descriptor.name, m_descriptor.pluginPath, reason);
    PLATFORM_LOG_ERROR("%s", qPrintable(m_error));
    return nullptr;
}
