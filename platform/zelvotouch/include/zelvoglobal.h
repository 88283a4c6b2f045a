#ifndef ZELVOGLOBAL_H
#define ZELVOGLOBAL_H

#include <QtGlobal>

// The toolkit is built with hidden symbols; the classes of its public
// headers are exported with this mark, everything else stays inside.
#if defined(ZELVO_BUILD_LIBRARY)
#define ZELVO_EXPORT Q_DECL_EXPORT
#else
#define ZELVO_EXPORT Q_DECL_IMPORT
#endif

#endif
