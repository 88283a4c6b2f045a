#include "plixstylablewidget.h"

#include "plixlog.h"

#include <QMetaMethod>

PlixStylableWidget::PlixStylableWidget(QGraphicsItem *parent)
    : ZelvoStylableWidget(parent)
    , m_referer(-1)
    , m_progressIndicatorVisible(false)
{
}

PlixStylableWidget::~PlixStylableWidget() = default;

void PlixStylableWidget::setReferer(int referer)
{
    m_referer = referer;
}

bool PlixStylableWidget::back()
{
    return true;
}

bool PlixStylableWidget::pagePans() const
{
    return true;
}

QString PlixStylableWidget::title() const
{
    return QString();
}

void PlixStylableWidget::changeWidget(int widgetId)
{
    if (!isSignalConnected(QMetaMethod::fromSignal(&PlixStylableWidget::widgetChangeRequested))) {
        PLIX_LOG_ERROR("changeWidget: page %d asked for before the page is shown by a control panel", widgetId);
        return;
    }
    emit widgetChangeRequested(widgetId);
}

void PlixStylableWidget::closePage()
{
    emit closeRequested();
}

void PlixStylableWidget::setProgressIndicatorVisible(bool visible)
{
    if (visible == m_progressIndicatorVisible)
        return;
    m_progressIndicatorVisible = visible;
    emit progressIndicatorVisibilityChanged(visible);
}

bool PlixStylableWidget::isProgressIndicatorVisible() const
{
    return m_progressIndicatorVisible;
}

int PlixStylableWidget::referer() const
{
    return m_referer;
}
