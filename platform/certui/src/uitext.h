#ifndef UITEXT_H
#define UITEXT_H

#include <QString>

// The user-visible text of a logical id from the installed catalogs. When no
// catalog knows the id, the English fallback is shown rather than the raw id.
QString uiText(const char *id, const char *fallback);

#endif
