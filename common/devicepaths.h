#ifndef TRUSTKEEP_DEVICEPATHS_H
#define TRUSTKEEP_DEVICEPATHS_H

#include <QString>

// The fixed paths of the device. When TRUSTKEEP_DEVICE_ROOT names a folder,
// every path is resolved under it, so tests and demos never touch the real
// device; unset, the paths are the device's own.
namespace DevicePaths {

QString root(); // "" on the device, else the emulation root (no trailing slash)
QString resolve(const QString &devicePath); // root() + devicePath

QString home(); // /home/user
QString privateDir(); // /home/user/private
QString trustDatabase(); // /home/user/private/trustkeep.db

} // namespace DevicePaths

#endif
