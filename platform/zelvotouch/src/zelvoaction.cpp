#include "zelvoaction.h"

#include "zelvolocale.h"

ZelvoAction::ZelvoAction(QObject *parent)
    : QAction(parent)
    , m_location(EveryLocation)
{
}

ZelvoAction::ZelvoAction(const QString &text, QObject *parent)
    : QAction(text, parent)
    , m_location(EveryLocation)
{
}

ZelvoAction::~ZelvoAction() = default;

void ZelvoAction::setLocation(Locations location)
{
    m_location = location;
    emit changed();
}

ZelvoAction::Locations ZelvoAction::location() const
{
    return m_location;
}

QString ZelvoAction::displayText() const
{
    return ZelvoLocale::displayText(text());
}
