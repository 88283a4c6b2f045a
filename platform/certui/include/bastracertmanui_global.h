#ifndef BASTRACERTMANUI_GLOBAL_H
#define BASTRACERTMANUI_GLOBAL_H

#include <QtGlobal>

// The library is built with hidden symbols; the classes of its public
// headers are exported with this mark, everything else stays inside.
#if defined(BASTRA_CERTMAN_UI_BUILD_LIBRARY)
#define BASTRA_CERTMAN_UI_EXPORT Q_DECL_EXPORT
#else
#define BASTRA_CERTMAN_UI_EXPORT Q_DECL_IMPORT
#endif

#endif
