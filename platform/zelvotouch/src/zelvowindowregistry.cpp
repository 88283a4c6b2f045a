#include "zelvowindowregistry.h"

namespace ZelvoWindowRegistry {

static QList<ZelvoApplicationWindow *> &list()
{
    static QList<ZelvoApplicationWindow *> windows;
    return windows;
}

void add(ZelvoApplicationWindow *window)
{
    if (!list().contains(window))
        list().append(window);
}

void remove(ZelvoApplicationWindow *window)
{
    list().removeAll(window);
}

QList<ZelvoApplicationWindow *> windows()
{
    return list();
}

} // namespace ZelvoWindowRegistry
