#ifndef SAMPLEAPPLETFIXTURE_H
#define SAMPLEAPPLETFIXTURE_H

// The sample applet of the build tree, loaded in the test's own process.

#include "plixappletdirectory.h"
#include "plixappletif.h"
#include "plixappletloader.h"

#include <QtTest>

inline PlixAppletDescriptor sampleDescriptor()
{
    PlixAppletDescriptor descriptor;
    PlixAppletDirectory().find(QStringLiteral("sample"), &descriptor);
    return descriptor;
}

#endif
