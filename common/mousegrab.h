#ifndef TRUSTKEEP_MOUSEGRAB_H
#define TRUSTKEEP_MOUSEGRAB_H

// A tap is delivered as press and release to the widget that took the
// press, and that widget keeps the mouse until the release has been handled.
// A question raised from the tap's handler (a message box, a password
// dialog) runs its own event loop inside that release: while the widget
// below still holds the mouse, every tap on the question would go to it.
// Releasing the grab first lets the question be answered.
class MouseGrab
{
public:
    // Takes the mouse from whatever holds it in the application's windows.
    static void release();
};

#endif
