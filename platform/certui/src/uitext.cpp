#include "uitext.h"

#include <QtGlobal>

QString uiText(const char *id, const char *fallback)
{
    const QString text = qtTrId(id);
    if (text.isEmpty() || text == QLatin1String(id))
        return QString::fromUtf8(fallback);
    return text;
}
