#include "zelvooverlay.h"

ZelvoOverlay::ZelvoOverlay(QGraphicsItem *parent)
    : ZelvoStylableWidget(parent)
{
}

ZelvoOverlay::~ZelvoOverlay() = default;
