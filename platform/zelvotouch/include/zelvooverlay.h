#ifndef ZELVOOVERLAY_H
#define ZELVOOVERLAY_H

#include "zelvoglobal.h"

#include "zelvostylablewidget.h"

// A themed panel that holds other widgets through a layout set on it, e.g. a
// group header ("CommonGroupHeaderPanelInverted") with a separator and a
// label. The layout sits inside the style's margins and padding.
class ZELVO_EXPORT ZelvoOverlay : public ZelvoStylableWidget
{
    Q_OBJECT

public:
    explicit ZelvoOverlay(QGraphicsItem *parent = nullptr);
    ~ZelvoOverlay() override;
};

#endif
