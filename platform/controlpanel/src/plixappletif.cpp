#include "plixappletif.h"

PlixAppletIf::~PlixAppletIf() = default;

QGraphicsWidget *PlixAppletIf::constructWidget(int)
{
    return nullptr;
}

int PlixAppletIf::partID(const QString &)
{
    return 0;
}

int PlixAppletIf::interfaceVersion()
{
    return 10;
}

QGraphicsWidget *PlixAppletIf::constructSheet(int)
{
    return nullptr;
}
