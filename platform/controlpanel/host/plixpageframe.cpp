#include "plixpageframe.h"

#include "plixstylablewidget.h"

#include <zelvoprogressindicator.h>

PlixPageFrame::PlixPageFrame(int number, PlixStylableWidget *page)
    : m_number(number)
    , m_page(page)
    , m_pageIdentity(page)
    , m_indicator(new ZelvoProgressIndicator(this))
{
    setObjectName(QStringLiteral("plixPage%1").arg(number));
    // Going back is the control panel's: it asks the page first.
    setEscapeMode(EscapeManualBack);
    setCentralWidget(page);
    m_indicator->setObjectName(QStringLiteral("plixProgressIndicator"));
    m_indicator->setUnknownDuration(true);
    m_indicator->setZValue(100);
    m_indicator->setVisible(false);
}

PlixPageFrame::~PlixPageFrame() = default;

int PlixPageFrame::number() const
{
    return m_number;
}

PlixStylableWidget *PlixPageFrame::page() const
{
    return m_page;
}

bool PlixPageFrame::holds(const QObject *page) const
{
    return page && page == m_pageIdentity;
}

void PlixPageFrame::replacePage(PlixStylableWidget *page)
{
    m_page = page;
    m_pageIdentity = page;
    setCentralWidget(page);
}

void PlixPageFrame::setBusy(bool busy)
{
    m_indicator->setVisible(busy);
    m_indicator->setRunning(busy);
    placeIndicator();
}

bool PlixPageFrame::isBusy() const
{
    return m_indicator->isVisible();
}

void PlixPageFrame::resizeEvent(QGraphicsSceneResizeEvent *event)
{
    ZelvoApplicationPage::resizeEvent(event);
    placeIndicator();
}

void PlixPageFrame::placeIndicator()
{
    const QSizeF size = m_indicator->effectiveSizeHint(Qt::PreferredSize);
    const QRectF area = contentRect();
    m_indicator->setGeometry(QRectF(QPointF(area.right() - size.width() - 8, area.top() + 8), size));
}
