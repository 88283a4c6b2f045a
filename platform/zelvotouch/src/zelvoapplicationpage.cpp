#include "zelvoapplicationpage.h"

#include "zelvoapplicationwindow.h"
#include "zelvopageviewport.h"

#include <QPointer>

ZelvoApplicationPage::ZelvoApplicationPage(QGraphicsItem *parent)
    : ZelvoSceneWindow(parent)
    , m_viewport(new ZelvoPageViewport(this))
    , m_escapeMode(EscapeAuto)
{
    setFlag(ItemClipsChildrenToShape, true);
}

ZelvoApplicationPage::~ZelvoApplicationPage() = default;

void ZelvoApplicationPage::setCentralWidget(QGraphicsWidget *widget)
{
    m_viewport->setContent(widget);
}

QGraphicsWidget *ZelvoApplicationPage::centralWidget()
{
    if (!m_viewport->content())
        m_viewport->setContent(new QGraphicsWidget);
    return m_viewport->content();
}

void ZelvoApplicationPage::setEscapeMode(EscapeMode mode)
{
    m_escapeMode = mode;
}

ZelvoApplicationPage::EscapeMode ZelvoApplicationPage::escapeMode() const
{
    return m_escapeMode;
}

void ZelvoApplicationPage::setTitle(const QString &title)
{
    m_title = title;
    if (ZelvoApplicationWindow *window = applicationWindow())
        window->updateNavigationBar();
}

QString ZelvoApplicationPage::title() const
{
    return m_title;
}

void ZelvoApplicationPage::ensureVisible(QGraphicsItem *item)
{
    m_viewport->ensureVisible(item);
}

qreal ZelvoApplicationPage::scrollPosition() const
{
    return m_viewport->scrollPosition();
}

void ZelvoApplicationPage::setScrollPosition(qreal position)
{
    m_viewport->setScrollPosition(position);
}

void ZelvoApplicationPage::pressBackButton()
{
    QPointer<ZelvoApplicationPage> guard(this);
    const EscapeMode mode = m_escapeMode;
    emit backButtonClicked();
    if (!guard)
        return;
    if (mode == EscapeAuto) {
        dismiss();
    } else if (mode == EscapeCloseWindow) {
        if (ZelvoApplicationWindow *window = applicationWindow())
            window->hide();
    }
}

ZelvoSceneWindow::Layer ZelvoApplicationPage::layer() const
{
    return PageLayer;
}

void ZelvoApplicationPage::resizeEvent(QGraphicsSceneResizeEvent *event)
{
    ZelvoSceneWindow::resizeEvent(event);
    m_viewport->setGeometry(contentRect());
}

void ZelvoApplicationPage::styleChanged()
{
    ZelvoSceneWindow::styleChanged();
    m_viewport->setGeometry(contentRect());
}
