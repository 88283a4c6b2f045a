#ifndef TRUSTKEEP_LOADCLIENTS_H
#define TRUSTKEEP_LOADCLIENTS_H

#include <QDBusConnection>
#include <QString>

#include <functional>

// Puts load on a service: clients, each with its own bus connection in its
// own thread, make their calls one after another. Returns how many calls
// failed (as judged by oneCall) once every client is done.
int runLoadClients(const QString &busAddress, int clients, int callsPerClient,
                   const std::function<bool(QDBusConnection &, int)> &oneCall);

#endif
