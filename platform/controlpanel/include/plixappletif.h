#ifndef PLIXAPPLETIF_H
#define PLIXAPPLETIF_H

#include "plixcontrolpanel_export.h"

#include <QObject>
#include <QString>
#include <QVector>

class PlixBrief;
class PlixStylableWidget;
class QGraphicsWidget;
class ZelvoAction;

// The interface id under which an applet declares itself, both in its plug-in
// metadata (Q_PLUGIN_METADATA(IID PlixAppletIf_iid ...)) and to the meta-object
// system (Q_INTERFACES(PlixAppletIf)).
#define PlixAppletIf_iid "com.tavelo.zelvo.core.PlixAppletIf/1.0"

// What the control panel asks of an applet plug-in. The plug-in's one
// exported object derives from QObject and from this class. The control panel
// calls init() once, then asks for pages by number; pages ask for the next
// page with PlixStylableWidget::changeWidget(). Pages handed out belong to the
// control panel, which deletes them when they leave its page stack.
// Title and menu answer for the page built last.
class PLIXCONTROLPANEL_EXPORT PlixAppletIf
{
public:
    virtual ~PlixAppletIf();

    // Called once after loading, before any page is asked for.
    virtual void init() = 0;
    // A plain widget for the given id; applets with stylable pages leave it null.
    virtual QGraphicsWidget *constructWidget(int widgetId);
    virtual QString title() const = 0;
    // The menu of the page built last: actions with location
    // ZelvoAction::ApplicationMenuLocation (4), owned by the applet.
    virtual QVector<ZelvoAction *> viewMenuItems() = 0;
    // What the control panel shows for the applet in its own list; the
    // caller owns the brief.
    virtual PlixBrief *constructBrief(int partId = 0) = 0;
    virtual int partID(const QString &partName); // 0
    virtual int interfaceVersion(); // 10
    // Builds page widgetId (0 is the applet's main page), or null when it
    // cannot; the caller owns the page.
    virtual PlixStylableWidget *constructStylableWidget(int widgetId) = 0;
    virtual QGraphicsWidget *constructSheet(int sheetId); // null
};

Q_DECLARE_INTERFACE(PlixAppletIf, PlixAppletIf_iid)

#endif
