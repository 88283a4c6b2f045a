#ifndef ZELVOWINDOWREGISTRY_H
#define ZELVOWINDOWREGISTRY_H

#include <QList>

class ZelvoApplicationWindow;

// The application windows alive, in the order they were made. Kept apart from
// the application object so that the toolkit works under any QApplication.
namespace ZelvoWindowRegistry {

void add(ZelvoApplicationWindow *window);
void remove(ZelvoApplicationWindow *window);
QList<ZelvoApplicationWindow *> windows();

} // namespace ZelvoWindowRegistry

#endif
