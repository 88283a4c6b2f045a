#include "mousegrab.h"

#include <zelvoapplication.h>
#include <zelvoapplicationwindow.h>

#include <QGraphicsItem>
#include <QGraphicsScene>

void MouseGrab::release()
{
    for (ZelvoApplicationWindow *window : ZelvoApplication::applicationWindows()) {
        QGraphicsScene *scene = window->scene();
        while (QGraphicsItem *grabber = scene ? scene->mouseGrabberItem() : nullptr)
            grabber->ungrabMouse();
    }
}
