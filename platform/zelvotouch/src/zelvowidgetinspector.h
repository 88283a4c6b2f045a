#ifndef ZELVOWIDGETINSPECTOR_H
#define ZELVOWIDGETINSPECTOR_H

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

class QGraphicsWidget;
class ZelvoAction;
class ZelvoApplicationWindow;
class ZelvoDialog;

// What UI automation sees of the program: the visible widgets of the top page
// and of the dialogs, banners and navigation bar above it, and how to reach
// one of them by object name or by text.
namespace ZelvoWidgetInspector {

struct Found {
    QGraphicsWidget *widget = nullptr;
    QString layer; // "dialog", "page", "banner", "navigation"
};

// The window automation acts on: the active application window.
ZelvoApplicationWindow *window();

// Visible widgets, topmost layer first (dialogs top-down, page, banners,
// navigation), each layer in tree order.
QList<Found> visibleWidgets();
QJsonObject describe(const Found &found);
QJsonObject describePage();
QJsonObject describePages();

QString textOf(QGraphicsWidget *widget);
bool isClickable(QGraphicsWidget *widget);

Found findByObjectName(const QString &name);
// Clickable widgets first, then any widget showing the text.
Found findByText(const QString &text);

ZelvoDialog *topDialog();

// The visible application-menu actions of the top page, in menu order.
QList<ZelvoAction *> menuActions();
// The menu action of the top page with that object name (or whose widget
// has it, for a widget action); null when there is none.
ZelvoAction *findMenuAction(const QString &name);
// The navigation bar's menu button, or null.
QGraphicsWidget *menuButton();

// Scrolls the widget into view if its page scrolls; then checks that a tap
// at its centre reaches it. On failure *error says why.
bool prepareClick(QGraphicsWidget *widget, QString *error);
// A real press and release at the widget's centre, delivered by the scene.
void tap(QGraphicsWidget *widget);

} // namespace ZelvoWidgetInspector

#endif
