#include "zelvostylelibrary.h"

#include "platformlog.h"

#include <QGlobalStatic>
#include <QList>
#include <QMetaObject>

namespace {

struct Registration {
    QString library;
    QList<ZelvoStyleLibrary::Type> types;
};

// Libraries register from static objects of plug-ins, which may outlive the
// toolkit's own statics at exit: Q_GLOBAL_STATIC tells when it is gone.
Q_GLOBAL_STATIC(QList<Registration>, registrations)

const ZelvoStyleLibrary::Type *findType(const QString &className, QString *library = nullptr)
{
    if (!registrations.exists())
        return nullptr;
    for (const Registration &r : qAsConst(*registrations)) {
        for (const ZelvoStyleLibrary::Type &type : r.types) {
            if (type.metaObject && QLatin1String(type.metaObject->className()) == className) {
                if (library)
                    *library = r.library;
                return &type;
            }
        }
    }
    return nullptr;
}

} // namespace

ZelvoStyleLibrary::ZelvoStyleLibrary(const QString &name, const QList<Type> &types)
    : m_name(name)
    , m_registered(false)
{
    if (name.isEmpty() || libraries().contains(name)) {
        PLATFORM_LOG_ERROR("style library '%s' is already registered or has no name", qUtf8Printable(name));
        return;
    }
    registrations->append(Registration{ name, types });
    m_registered = true;
}

ZelvoStyleLibrary::~ZelvoStyleLibrary()
{
    if (!m_registered || !registrations.exists())
        return;
    for (int i = 0; i < registrations->size(); ++i) {
        if (registrations->at(i).library == m_name) {
            registrations->removeAt(i);
            break;
        }
    }
}

QString ZelvoStyleLibrary::name() const
{
    return m_name;
}

bool ZelvoStyleLibrary::isRegistered() const
{
    return m_registered;
}

QStringList ZelvoStyleLibrary::libraries()
{
    QStringList names;
    if (registrations.exists())
        for (const Registration &r : qAsConst(*registrations))
            names << r.library;
    return names;
}

QString ZelvoStyleLibrary::libraryOf(const QString &className)
{
    QString library;
    findType(className, &library);
    return library;
}

QStringList ZelvoStyleLibrary::styleTypes(const QString &library)
{
    QStringList names;
    if (!registrations.exists())
        return names;
    for (const Registration &r : qAsConst(*registrations)) {
        if (r.library != library)
            continue;
        for (const Type &type : r.types)
            if (type.metaObject)
                names << QLatin1String(type.metaObject->className());
    }
    return names;
}

bool ZelvoStyleLibrary::isCreatable(const QString &className)
{
    const Type *type = findType(className);
    return type && type->creator;
}

QGraphicsWidget *ZelvoStyleLibrary::createWidget(const QString &className, QGraphicsItem *parent)
{
    const Type *type = findType(className);
    if (!type) {
        PLATFORM_LOG_ERROR("no style library brings a widget type '%s'", qUtf8Printable(className));
        return nullptr;
    }
    if (!type->creator) {
        PLATFORM_LOG_ERROR("widget type '%s' may not be created by name", qUtf8Printable(className));
        return nullptr;
    }
    return type->creator(parent);
}
