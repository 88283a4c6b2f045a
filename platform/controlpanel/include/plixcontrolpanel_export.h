#ifndef PLIXCONTROLPANEL_EXPORT_H
#define PLIXCONTROLPANEL_EXPORT_H

#include <QtGlobal>

// Symbols of libplixcontrolpanel: exported while the library itself is built,
// imported by applets and hosts.
#if defined(PLIXCONTROLPANEL_LIBRARY)
#define PLIXCONTROLPANEL_EXPORT Q_DECL_EXPORT
#else
#define PLIXCONTROLPANEL_EXPORT Q_DECL_IMPORT
#endif

#endif
