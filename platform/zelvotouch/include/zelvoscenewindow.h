#ifndef ZELVOSCENEWINDOW_H
#define ZELVOSCENEWINDOW_H

#include "zelvoglobal.h"

#include "zelvostylablewidget.h"

class ZelvoApplicationWindow;

// Something that appears in an application window and later leaves it: a
// page, a dialog, a message box or a banner.
//
// appear() puts it on display. disappear() takes it off display; dismiss()
// (and close()) does the same on the user's behalf, e.g. by the back button.
// It leaves the window at once; disappeared() follows from the event loop, so
// that code that closes something can still connect to it. The deletion
// policy decides whether the object is destroyed once it has gone:
// KeepWhenDone never, DestroyWhenDone whenever it goes, DestroyWhenDismissed
// only when it was dismissed. Something covered by a later page stays on
// display underneath it.
class ZELVO_EXPORT ZelvoSceneWindow : public ZelvoStylableWidget
{
    Q_OBJECT

public:
    enum DeletionPolicy {
        KeepWhenDone = 0,
        DestroyWhenDone = 1,
        DestroyWhenDismissed = 2
    };
    Q_ENUM(DeletionPolicy)

    explicit ZelvoSceneWindow(QGraphicsItem *parent = nullptr);
    ~ZelvoSceneWindow() override;

    // In the given window; without one, in the application's active window.
    void appear(ZelvoApplicationWindow *window, DeletionPolicy policy = KeepWhenDone);
    void appear(DeletionPolicy policy = KeepWhenDone);

    DeletionPolicy deletionPolicy() const;
    ZelvoApplicationWindow *applicationWindow() const; // null when not on display
    bool isOnDisplay() const;

public slots:
    void disappear();
    void dismiss();

signals:
    void appeared();
    void disappeared();
    void dismissed(); // before disappeared(), when it was dismissed

protected:
    // QGraphicsWidget::close() dismisses.
    void closeEvent(QCloseEvent *event) override;

    // Where in the window it goes; subclasses answer for their kind.
    enum Layer {
        PageLayer = 0,
        DialogLayer = 1,
        BannerLayer = 2
    };
    virtual Layer layer() const;

    // Hooks for subclasses, called while appearing and leaving.
    virtual void aboutToAppear();
    virtual void aboutToDisappear();

private:
    friend class ZelvoApplicationWindow;
    void leave(bool dismissedByUser);
    void finishLeaving(bool dismissedByUser);

    ZelvoApplicationWindow *m_window;
    DeletionPolicy m_policy;
    int m_displayGeneration;
};

#endif
