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

// Writes to path a copy of the sample plug-in with its metadata changed as a
// plug-in built elsewhere would have it: another interface id (of the same
// length) and, unless qtMinor is -1, another Qt minor version.
inline bool alteredSamplePlugin(const QString &path, const QByteArray &iid, int qtMinor)
{
    QFile original(sampleDescriptor().pluginPath);
    if (!original.open(QIODevice::ReadOnly))
        return false;
    QByteArray image = original.readAll();
    // After the marker: format version, Qt major, Qt minor, then the CBOR map
    // whose first value is the interface id.
    const int marker = image.indexOf("QTMETADATA !");
    const int at = image.indexOf(PlixAppletIf_iid, marker);
    if (marker < 0 || at < 0 || at > marker + 64 || iid.size() != int(qstrlen(PlixAppletIf_iid)))
        return false;
    if (qtMinor >= 0)
        image[marker + 14] = char(qtMinor);
    image.replace(at, iid.size(), iid);
    QFile copy(path);
    return copy.open(QIODevice::WriteOnly) && copy.write(image) == image.size();
}

#endif
