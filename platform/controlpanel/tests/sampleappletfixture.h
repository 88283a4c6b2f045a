#ifndef SAMPLEAPPLETFIXTURE_H
#define SAMPLEAPPLETFIXTURE_H

// The sample applet of the build tree, loaded in the test's own process.

#include "plixappletdirectory.h"
#include "plixappletif.h"
#include "plixappletloader.h"

#include <QFile>
#include <QtTest>

inline PlixAppletDescriptor sampleDescriptor()
{
    PlixAppletDescriptor descriptor;
    PlixAppletDirectory().find(QStringLiteral("sample"), &descriptor);
    return descriptor;
}

// A copy of the sample plug-in in folder, with its metadata changed as a
// plug-in built elsewhere would have it; empty when the copy failed.
// iid: the interface id to put in; qtMinor: the Qt minor version (-1: keep).
inline QString alteredSamplePlugin(const QString &folder, const QByteArray &iid, int qtMinor)
{
    QFile original(sampleDescriptor().pluginPath);
    if (!original.open(QIODevice::ReadOnly))
        return QString();
    QByteArray image = original.readAll();
    const int marker = image.indexOf("QTMETADATA !");
    if (marker < 0)
        return QString();
    // After the marker: format version, Qt major, Qt minor, then the CBOR map
    // whose first value is the interface id.
    if (qtMinor >= 0)
        image[marker + 14] = char(qtMinor);
    const QByteArray ours(PlixAppletIf_iid);
    const int at = image.indexOf(ours, marker);
    if (iid.size() != ours.size() || at < 0 || at > marker + 64)
        return QString();
    image.replace(at, ours.size(), iid);
    const QString path = folder + QStringLiteral("/libaltered.so");
    QFile copy(path);
    if (!copy.open(QIODevice::WriteOnly) || copy.write(image) != image.size())
        return QString();
    return path;
}

#endif
