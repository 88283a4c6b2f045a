#ifndef ZELVOAPPLICATIONMENU_H
#define ZELVOAPPLICATIONMENU_H

#include "zelvodialog.h"

#include <QList>
#include <QPointer>

class ZelvoWidgetAction;

// The window's menu of a page: one button per visible application-menu action
// of the page, and the widget of each widget action. Choosing an entry
// triggers the action and closes the menu; the widgets go back to their
// actions when the menu closes.
class ZelvoApplicationMenu : public ZelvoDialog
{
    Q_OBJECT

public:
    explicit ZelvoApplicationMenu(QGraphicsWidget *page);
    ~ZelvoApplicationMenu() override;

protected:
    void aboutToDisappear() override;

private:
    void giveWidgetsBack();

    QList<QPointer<ZelvoWidgetAction>> m_widgetActions;
};

#endif
