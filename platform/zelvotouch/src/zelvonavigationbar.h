#ifndef ZELVONAVIGATIONBAR_H
#define ZELVONAVIGATIONBAR_H

#include "zelvostylablewidget.h"

class ZelvoButton;
class ZelvoLabel;

// The bar at the top of the application window: the back button, the current
// page's title and, when the page has application-menu actions, the menu button.
class ZelvoNavigationBar : public ZelvoStylableWidget
{
    Q_OBJECT

public:
    explicit ZelvoNavigationBar(QGraphicsItem *parent = nullptr);
    ~ZelvoNavigationBar() override;

    void setTitle(const QString &title);
    void setMenuVisible(bool visible);

    ZelvoButton *backButton() const;
    ZelvoButton *menuButton() const;

signals:
    void backClicked();
    void menuClicked();

private:
    ZelvoButton *m_back;
    ZelvoLabel *m_title;
    ZelvoButton *m_menu;
};

#endif
