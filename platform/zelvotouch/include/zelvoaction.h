#ifndef ZELVOACTION_H
#define ZELVOACTION_H

#include "zelvoglobal.h"

#include <QAction>

// A menu or tool bar command. The location says where a host shows it; an
// action in the application menu (ApplicationMenuLocation, 4) is listed in
// the window's menu when it is added to the current page (addAction).
class ZELVO_EXPORT ZelvoAction : public QAction
{
    Q_OBJECT

public:
    enum Location {
        NoLocation = 0,
        ToolBarPortraitLocation = 1,
        ToolBarLandscapeLocation = 2,
        ToolBarLocation = ToolBarPortraitLocation | ToolBarLandscapeLocation,
        ApplicationMenuLocation = 4,
        ObjectMenuLocation = 8,
        EveryLocation = 0xf
    };
    Q_DECLARE_FLAGS(Locations, Location)
    Q_FLAG(Locations)

    explicit ZelvoAction(QObject *parent = nullptr);
    ZelvoAction(const QString &text, QObject *parent);
    ~ZelvoAction() override;

    void setLocation(Locations location);
    Locations location() const;

    // The text as shown: translated when it is a logical id.
    QString displayText() const;

private:
    Locations m_location;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(ZelvoAction::Locations)

#endif
