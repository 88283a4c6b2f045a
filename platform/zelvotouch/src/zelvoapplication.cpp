#include "zelvoapplication.h"

#include "zelvoapplicationwindow.h"
#include "zelvoautomationserver.h"
#include "zelvotheme.h"
#include "zelvowindowregistry.h"

#include <QGraphicsWidget>

ZelvoApplication::ZelvoApplication(int &argc, char **argv, const QString &identifier)
    : QApplication(argc, argv)
    , m_identifier(identifier)
{
    if (!identifier.isEmpty())
        setApplicationName(identifier);
    // The program decides when it ends (an idle timer, an explicit quit);
    // hiding or closing its window must not end it.
    setQuitOnLastWindowClosed(false);
    setFont(ZelvoTheme::instance().style(&QGraphicsWidget::staticMetaObject, QString()).font());
    ZelvoAutomationServer::startFromEnvironment();
}

ZelvoApplication::~ZelvoApplication() = default;

ZelvoApplication *ZelvoApplication::instance()
{
    return qobject_cast<ZelvoApplication *>(QCoreApplication::instance());
}

QString ZelvoApplication::identifier() const
{
    return m_identifier;
}

ZelvoApplicationWindow *ZelvoApplication::activeWindow()
{
    const QList<ZelvoApplicationWindow *> windows = ZelvoWindowRegistry::windows();
    return windows.isEmpty() ? nullptr : windows.first();
}

QList<ZelvoApplicationWindow *> ZelvoApplication::applicationWindows()
{
    return ZelvoWindowRegistry::windows();
}

void ZelvoApplication::closeAllWindows()
{
    for (ZelvoApplicationWindow *window : ZelvoWindowRegistry::windows())
        window->hide();
}
