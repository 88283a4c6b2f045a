#include "zelvoapplicationmenu.h"

#include "zelvoaction.h"
#include "zelvobutton.h"
#include "zelvowidgetaction.h"

#include <QGraphicsLinearLayout>
#include <QGraphicsScene>

ZelvoApplicationMenu::ZelvoApplicationMenu(QGraphicsWidget *page)
{
    setObjectName(QStringLiteral("zelvoApplicationMenu"));
    setStyleName(QStringLiteral("ApplicationMenu"));
    auto *content = new QGraphicsWidget;
    auto *layout = new QGraphicsLinearLayout(Qt::Vertical, content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    for (QAction *action : page->actions()) {
        auto *zelvo = qobject_cast<ZelvoAction *>(action);
        if (!zelvo || !(zelvo->location() & ZelvoAction::ApplicationMenuLocation) || !action->isVisible())
            continue;
        auto *widgetAction = qobject_cast<ZelvoWidgetAction *>(zelvo);
        if (widgetAction && widgetAction->widget()) {
            m_widgetActions << widgetAction;
            layout->addItem(widgetAction->widget());
            widgetAction->widget()->setVisible(true);
            continue;
        }
        auto *entry = new ZelvoButton(zelvo->displayText());
        entry->setObjectName(zelvo->objectName());
        entry->setStyleName(QStringLiteral("ApplicationMenuButton"));
        entry->setEnabled(zelvo->isEnabled());
        layout->addItem(entry);
        QPointer<ZelvoAction> target(zelvo);
        connect(entry, &ZelvoButton::clicked, this, [this, target]() {
            reject();
            if (target)
                target->trigger();
        });
    }
    setCentralWidget(content);
}

ZelvoApplicationMenu::~ZelvoApplicationMenu()
{
    giveWidgetsBack();
}

void ZelvoApplicationMenu::aboutToDisappear()
{
    giveWidgetsBack();
    ZelvoDialog::aboutToDisappear();
}

void ZelvoApplicationMenu::giveWidgetsBack()
{
    QGraphicsLayout *layout = centralWidget()->layout();
    for (const QPointer<ZelvoWidgetAction> &action : m_widgetActions) {
        if (!action || !action->widget())
            continue;
        QGraphicsWidget *w = action->widget();
        for (int i = layout->count() - 1; i >= 0; --i) {
            if (layout->itemAt(i) == w)
                layout->removeAt(i);
        }
        w->setParentItem(nullptr);
        if (w->scene())
            w->scene()->removeItem(w);
    }
    m_widgetActions.clear();
}
