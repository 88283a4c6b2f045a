#include "plixbrief.h"

PlixBrief::PlixBrief(QObject *parent)
    : QObject(parent)
{
}

PlixBrief::~PlixBrief() = default;

QString PlixBrief::titleText() const
{
    return QString();
}

QString PlixBrief::valueText() const
{
    return QString();
}

QString PlixBrief::iconName() const
{
    return QString();
}

PlixBrief::WidgetType PlixBrief::widgetType() const
{
    return Label;
}

bool PlixBrief::toggle() const
{
    return false;
}

void PlixBrief::setToggle(bool)
{
}
