#ifndef PLIXSTYLABLEWIDGET_H
#define PLIXSTYLABLEWIDGET_H

#include "plixcontrolpanel_export.h"

#include <zelvostylablewidget.h>

// The page base class of applets: a Zelvo Touch widget that the control panel
// shows as the content of one page of its window (install a layout on it, as
// on any graphics widget). The page talks to the control panel only through
// the requests below; the control panel answers through the virtual
// operations.
class PLIXCONTROLPANEL_EXPORT PlixStylableWidget : public ZelvoStylableWidget
{
    Q_OBJECT

public:
    explicit PlixStylableWidget(QGraphicsItem *parent = nullptr);
    ~PlixStylableWidget() override;

    // Virtual operations, in the order of their slots.

    // The number of the page that asked for this one (-1: none); the control
    // panel sets it before showing the page.
    virtual void setReferer(int referer);
    // The user leaves the page (back). Returning false keeps it open.
    virtual bool back();
    // Whether the page's content scrolls when it is taller than the window.
    virtual bool pagePans() const;
    // A page's own title; empty means the applet's title() is shown.
    virtual QString title() const;

    // Requests to the control panel. Asking before the page is shown is fine:
    // the indicator state is kept and read when the page appears, a page
    // change asked for then is logged and dropped.

    // Asks for page widgetId of the applet to be built and pushed over this one.
    void changeWidget(int widgetId);
    // Asks for this page to be closed as if the user went back (back() is called).
    void closePage();
    // Shows or hides the window's busy indicator while this page is on top.
    void setProgressIndicatorVisible(bool visible);
    bool isProgressIndicatorVisible() const;

    int referer() const;

signals:
    // For the control panel; applets call the functions above instead.
    void widgetChangeRequested(int widgetId);
    void closeRequested();
    void progressIndicatorVisibilityChanged(bool visible);

private:
    int m_referer;
    bool m_progressIndicatorVisible;
};

#endif
