#define TK_LOG_SOURCE "dbusservice"

// Who may call the service. Any local account reaches the system bus, and
// whatever the bus policy on a device says, the store and the keys are the
// device user's: only root and the owner of the home folder may read or
// change them. The server check stays open to everyone, since every program
// that makes TLS connections needs it.

#include "dbusservice.h"

#include <devicepaths.h>
#include <log.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusReply>
#include <QFileInfo>

namespace {

const uint rootUid = 0;

// The device's user is whoever owns the home folder; no name or number is
// built in. Without a home folder only root is trusted.
bool isDeviceUser(uint uid)
{
    const QFileInfo home(DevicePaths::home());
    return home.exists() && home.ownerId() == uid;
}

} // namespace

bool DBusService::_callerMayManage(const char *method)
{
    if (!calledFromDBus())
        return true;
    const QString sender = message().service();
    QDBusConnectionInterface *bus = connection().interface();
    const QDBusReply<uint> uid = bus ? bus->serviceUid(sender) : QDBusReply<uint>();
    if (uid.isValid() && (uid.value() == rootUid || isDeviceUser(uid.value())))
        return true;

    if (uid.isValid())
        TK_LOG_ERROR("%s: access denied to uid %u", method, uid.value());
    else
        TK_LOG_ERROR("%s: access denied, the caller's uid is unknown (%s)", method,
                     qUtf8Printable(uid.error().message()));
    sendErrorReply(QDBusError::AccessDenied,
                   QStringLiteral("%1 is only for the device's user").arg(QLatin1String(method)));
    return false;
}
