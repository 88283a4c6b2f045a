#include "zelvowidgetaction.h"

#include <QGraphicsScene>
#include <QGraphicsWidget>

ZelvoWidgetAction::ZelvoWidgetAction(QObject *parent)
    : ZelvoAction(parent)
{
}

ZelvoWidgetAction::~ZelvoWidgetAction()
{
    if (m_widget && !m_widget->parentItem() && !m_widget->scene())
        delete m_widget.data();
}

void ZelvoWidgetAction::setWidget(QGraphicsWidget *widget)
{
    if (widget == m_widget)
        return;
    if (m_widget && !m_widget->parentItem() && !m_widget->scene())
        delete m_widget.data();
    m_widget = widget;
    emit changed();
}

QGraphicsWidget *ZelvoWidgetAction::widget() const
{
    return m_widget;
}
