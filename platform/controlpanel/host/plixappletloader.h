#ifndef PLIXAPPLETLOADER_H
#define PLIXAPPLETLOADER_H

#include "plixappletdescriptor.h"

#include <QJsonObject>
#include <QPluginLoader>
#include <QString>

class PlixAppletIf;

// Loads one applet's plug-in and hands out its applet object. Before the
// library is loaded its metadata is checked: a plug-in for another interface
// id, another interface version or a Qt this program cannot host is refused
// with a logged message naming the applet; so is a library that is no Qt
// plug-in or whose object is no PlixAppletIf.
//
// The plug-in keeps one applet object (made again by the plug-in if it was
// deleted); the loader deletes it and unloads the library when it is itself
// destroyed, so pages of the applet must be gone by then.
class PlixAppletLoader
{
public:
    explicit PlixAppletLoader(const PlixAppletDescriptor &descriptor);
    ~PlixAppletLoader();

    PlixAppletLoader(const PlixAppletLoader &) = delete;
    PlixAppletLoader &operator=(const PlixAppletLoader &) = delete;

    // The applet, or null with errorString() set (and logged).
    PlixAppletIf *load();
    QObject *instance();
    QString errorString() const;

    // Why plug-in metadata (as QPluginLoader::metaData() gives it) cannot be
    // hosted here; empty when it can.
    static QString incompatibility(const QJsonObject &metaData);

private:
    PlixAppletIf *fail(const QString &reason);

    PlixAppletDescriptor m_descriptor;
    QPluginLoader m_loader;
    QString m_error;
};

#endif
