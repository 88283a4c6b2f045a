#include "zelvowidgetinspector.h"

#include "zelvoaction.h"
#include "zelvoapplication.h"
#include "zelvoapplicationpage.h"
#include "zelvoapplicationwindow.h"
#include "zelvobanner.h"
#include "zelvobutton.h"
#include "zelvocombobox.h"
#include "zelvodialog.h"
#include "zelvolabel.h"
#include "zelvolistitem.h"
#include "zelvolocale.h"
#include "zelvomessagebox.h"
#include "zelvoscenewindow.h"
#include "zelvostylablewidget.h"
#include "zelvotextedit.h"
#include "zelvowidgetaction.h"

#include <QCoreApplication>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsWidget>

namespace ZelvoWidgetInspector {

namespace {

bool isInternal(QGraphicsWidget *w)
{
    // Plain containers say nothing to a test, unless someone named them.
    return w->property("zelvoInternal").toBool()
        || (qstrcmp(w->metaObject()->className(), "QGraphicsWidget") == 0 && w->objectName().isEmpty());
}

void collect(QGraphicsWidget *root, const QString &layer, QList<Found> *out, bool includeRoot = true)
{
    if (!root || !root->isVisible())
        return;
    if (includeRoot && !isInternal(root))
        out->append(Found{ root, layer });
    for (QGraphicsItem *child : root->childItems()) {
        if (child->isWidget())
            collect(static_cast<QGraphicsWidget *>(child), layer, out);
    }
}

QGraphicsWidget *navigationBar(ZelvoApplicationWindow *w)
{
    for (QGraphicsItem *item : w->scene()->items()) {
        if (item->isWidget()) {
            auto *widget = static_cast<QGraphicsWidget *>(item);
            if (qstrcmp(widget->metaObject()->className(), "ZelvoNavigationBar") == 0)
                return widget;
        }
    }
    return nullptr;
}

bool isDescendantOf(QGraphicsItem *item, QGraphicsItem *ancestor)
{
    for (QGraphicsItem *i = item; i; i = i->parentItem()) {
        if (i == ancestor)
            return true;
    }
    return false;
}

QString escapeModeName(int mode)
{
    switch (mode) {
    case ZelvoApplicationPage::EscapeAuto:
        return QStringLiteral("auto");
    case ZelvoApplicationPage::EscapeManualBack:
        return QStringLiteral("manualBack");
    case ZelvoApplicationPage::EscapeCloseWindow:
        return QStringLiteral("closeWindow");
    }
    return QString();
}

QJsonObject pageJson(ZelvoApplicationPage *page)
{
    QJsonObject o;
    o.insert(QStringLiteral("class"), QString::fromLatin1(page->metaObject()->className()));
    o.insert(QStringLiteral("objectName"), page->objectName());
    o.insert(QStringLiteral("styleName"), page->styleName());
    o.insert(QStringLiteral("title"), ZelvoLocale::displayText(page->title()));
    o.insert(QStringLiteral("escapeMode"), int(page->escapeMode()));
    o.insert(QStringLiteral("escapeModeName"), escapeModeName(page->escapeMode()));
    return o;
}

} // namespace

ZelvoApplicationWindow *window()
{
    return ZelvoApplication::activeWindow();
}

QList<Found> visibleWidgets()
{
    QList<Found> result;
    const QList<ZelvoApplicationWindow *> windows = ZelvoApplication::applicationWindows();
    // Dialogs of every window (a box run without an application window gets
    // a window of its own), topmost first.
    for (int w = windows.size() - 1; w >= 0; --w) {
        const QList<ZelvoSceneWindow *> dialogs = windows.at(w)->dialogs();
        for (int i = dialogs.size() - 1; i >= 0; --i)
            collect(dialogs.at(i), QStringLiteral("dialog"), &result);
    }
    ZelvoApplicationWindow *main = window();
    if (!main)
        return result;
    if (ZelvoApplicationPage *page = main->currentPage())
        collect(page, QStringLiteral("page"), &result);
    for (ZelvoSceneWindow *banner : main->banners())
        collect(banner, QStringLiteral("banner"), &result);
    if (QGraphicsWidget *bar = navigationBar(main))
        collect(bar, QStringLiteral("navigation"), &result, false);
    return result;
}

QString textOf(QGraphicsWidget *widget)
{
    if (auto *edit = qobject_cast<ZelvoTextEdit *>(widget))
        return edit->displayText();
    if (auto *label = qobject_cast<ZelvoLabel *>(widget))
        return label->displayText();
    if (auto *button = qobject_cast<ZelvoButton *>(widget))
        return button->displayText();
    if (auto *box = qobject_cast<ZelvoMessageBox *>(widget))
        return ZelvoLocale::displayText(box->text());
    if (auto *dialog = qobject_cast<ZelvoDialog *>(widget))
        return ZelvoLocale::displayText(dialog->title());
    if (auto *page = qobject_cast<ZelvoApplicationPage *>(widget))
        return ZelvoLocale::displayText(page->title());
    const QVariant text = widget->property("text");
    return text.isValid() ? ZelvoLocale::displayText(text.toString()) : QString();
}

bool isClickable(QGraphicsWidget *widget)
{
    if (qobject_cast<ZelvoLabel *>(widget) || qobject_cast<ZelvoSceneWindow *>(widget))
        return false;
    return widget->isEnabled() && (widget->acceptedMouseButtons() & Qt::LeftButton)
        && widget->metaObject()->indexOfSignal("clicked()") >= 0;
}

QJsonObject describe(const Found &found)
{
    QGraphicsWidget *w = found.widget;
    QJsonObject o;
    o.insert(QStringLiteral("class"), QString::fromLatin1(w->metaObject()->className()));
    o.insert(QStringLiteral("objectName"), w->objectName());
    auto *stylable = qobject_cast<ZelvoStylableWidget *>(w);
    o.insert(QStringLiteral("styleName"), stylable ? stylable->styleName() : QString());
    o.insert(QStringLiteral("text"), textOf(w));
    o.insert(QStringLiteral("enabled"), w->isEnabled());
    o.insert(QStringLiteral("layer"), found.layer);
    if (auto *button = qobject_cast<ZelvoButton *>(w)) {
        if (button->isCheckable())
            o.insert(QStringLiteral("checked"), button->isChecked());
    }
    if (auto *item = qobject_cast<ZelvoListItem *>(w)) {
        if (item->isSelectable())
            o.insert(QStringLiteral("selected"), item->isSelected());
    }
    if (auto *combo = qobject_cast<ZelvoComboBox *>(w)) {
        o.insert(QStringLiteral("title"), ZelvoLocale::displayText(combo->title()));
        o.insert(QStringLiteral("currentIndex"), combo->currentIndex());
    }
    if (auto *dialog = qobject_cast<ZelvoDialog *>(w))
        o.insert(QStringLiteral("title"), ZelvoLocale::displayText(dialog->title()));
    if (auto *page = qobject_cast<ZelvoApplicationPage *>(w))
        o.insert(QStringLiteral("escapeMode"), int(page->escapeMode()));
    if (auto *edit = qobject_cast<ZelvoTextEdit *>(w))
        o.insert(QStringLiteral("echoMode"), int(edit->echoMode()));
    return o;
}

QJsonObject describePage()
{
    ZelvoApplicationWindow *main = window();
    ZelvoApplicationPage *page = main ? main->currentPage() : nullptr;
    return page ? pageJson(page) : QJsonObject();
}

QJsonObject describePages()
{
    QJsonObject o;
    ZelvoApplicationWindow *main = window();
    o.insert(QStringLiteral("window"), main != nullptr);
    o.insert(QStringLiteral("visible"), main && main->isVisible());
    if (main) {
        o.insert(QStringLiteral("orientation"),
                 main->isPortrait() ? QStringLiteral("portrait") : QStringLiteral("landscape"));
        o.insert(QStringLiteral("orientationLocked"), main->isOrientationLocked());
    }
    QJsonArray pages;
    if (main) {
        for (ZelvoApplicationPage *page : main->pages())
            pages.append(pageJson(page));
    }
    o.insert(QStringLiteral("pages"), pages);
    return o;
}

Found findByObjectName(const QString &name)
{
    if (name.isEmpty())
        return Found();
    for (const Found &f : visibleWidgets()) {
        if (f.widget->objectName() == name)
            return f;
    }
    return Found();
}

Found findByText(const QString &text)
{
    const QList<Found> all = visibleWidgets();
    for (int pass = 0; pass < 2; ++pass) {
        for (const Found &f : all) {
            if (pass == 0 && !isClickable(f.widget))
                continue;
            if (textOf(f.widget) == text)
                return f;
            const QVariant raw = f.widget->property("text");
            if (raw.isValid() && raw.toString() == text && !qobject_cast<ZelvoTextEdit *>(f.widget))
                return f;
        }
    }
    return Found();
}

ZelvoDialog *topDialog()
{
    const QList<ZelvoApplicationWindow *> windows = ZelvoApplication::applicationWindows();
    for (int w = windows.size() - 1; w >= 0; --w) {
        const QList<ZelvoSceneWindow *> dialogs = windows.at(w)->dialogs();
        for (int i = dialogs.size() - 1; i >= 0; --i) {
            if (auto *dialog = qobject_cast<ZelvoDialog *>(dialogs.at(i)))
                return dialog;
        }
    }
    return nullptr;
}

QList<ZelvoAction *> menuActions()
{
    QList<ZelvoAction *> result;
    ZelvoApplicationWindow *main = window();
    ZelvoApplicationPage *page = main ? main->currentPage() : nullptr;
    if (!page)
        return result;
    for (QAction *action : page->actions()) {
        auto *zelvo = qobject_cast<ZelvoAction *>(action);
        if (zelvo && (zelvo->location() & ZelvoAction::ApplicationMenuLocation) && zelvo->isVisible())
            result << zelvo;
    }
    return result;
}

ZelvoAction *findMenuAction(const QString &name)
{
    if (name.isEmpty())
        return nullptr;
    for (ZelvoAction *action : menuActions()) {
        auto *widgetAction = qobject_cast<ZelvoWidgetAction *>(action);
        if (action->objectName() == name
            || (widgetAction && widgetAction->widget() && widgetAction->widget()->objectName() == name))
            return action;
    }
    return nullptr;
}

QGraphicsWidget *menuButton()
{
    ZelvoApplicationWindow *main = window();
    QGraphicsWidget *bar = main ? navigationBar(main) : nullptr;
    if (!bar)
        return nullptr;
    QList<Found> items;
    collect(bar, QStringLiteral("navigation"), &items, false);
    for (const Found &f : items) {
        if (f.widget->objectName() == QLatin1String("zelvoMenuButton"))
            return f.widget;
    }
    return nullptr;
}

bool prepareClick(QGraphicsWidget *widget, QString *error)
{
    if (!widget->scene()) {
        *error = QStringLiteral("the widget is not on display");
        return false;
    }
    if (!widget->isVisible() || !widget->isEnabled()) {
        *error = QStringLiteral("the widget is hidden or disabled");
        return false;
    }
    for (QGraphicsItem *i = widget->parentItem(); i; i = i->parentItem()) {
        if (i->isWidget()) {
            if (auto *page = qobject_cast<ZelvoApplicationPage *>(static_cast<QGraphicsWidget *>(i))) {
                page->ensureVisible(widget);
                break;
            }
        }
    }
    const QPointF centre = widget->mapToScene(widget->rect().center());
    const QList<QGraphicsItem *> under = widget->scene()->items(centre, Qt::IntersectsItemShape, Qt::DescendingOrder);
    for (QGraphicsItem *item : under) {
        if (isDescendantOf(item, widget))
            return true;
        if (!item->isWidget() || !item->isVisible())
            continue;
        auto *w = static_cast<QGraphicsWidget *>(item);
        if (isInternal(w) || !(w->acceptedMouseButtons() & Qt::LeftButton))
            continue;
        if (isDescendantOf(widget, w))
            continue; // an ancestor below the widget
        *error = QStringLiteral("the widget is covered by %1 \"%2\"")
                     .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName());
        return false;
    }
    *error = QStringLiteral("the widget is outside the visible area");
    return false;
}

void tap(QGraphicsWidget *widget)
{
    QGraphicsScene *scene = widget->scene();
    if (!scene)
        return;
    const QPointF centre = widget->mapToScene(widget->rect().center());
    auto send = [&](QEvent::Type type, Qt::MouseButtons buttons) {
        QGraphicsSceneMouseEvent event(type);
        event.setScenePos(centre);
        event.setScreenPos(centre.toPoint());
        event.setLastScenePos(centre);
        event.setLastScreenPos(centre.toPoint());
        event.setButtonDownScenePos(Qt::LeftButton, centre);
        event.setButtonDownScreenPos(Qt::LeftButton, centre.toPoint());
        event.setButton(Qt::LeftButton);
        event.setButtons(buttons);
        event.setAccepted(false);
        QCoreApplication::sendEvent(scene, &event);
    };
    send(QEvent::GraphicsSceneMousePress, Qt::LeftButton);
    send(QEvent::GraphicsSceneMouseRelease, Qt::NoButton);
}

} // namespace ZelvoWidgetInspector
