#include "zelvoapplicationwindow.h"

#include "platformlog.h"
#include "zelvoaction.h"
#include "zelvoapplicationmenu.h"
#include "zelvoapplicationpage.h"
#include "zelvoautomationserver.h"
#include "zelvodialog.h"
#include "zelvoeventwatcher.h"
#include "zelvolocale.h"
#include "zelvonavigationbar.h"
#include "zelvoscenewindow.h"
#include "zelvotheme.h"
#include "zelvowindowregistry.h"

#include <QCoreApplication>
#include <QGraphicsScene>
#include <QPainter>
#include <QPointer>
#include <QTimer>

namespace {

QList<ZelvoSceneWindow *> alive(const QList<QPointer<ZelvoSceneWindow>> &list)
{
    QList<ZelvoSceneWindow *> result;
    for (const QPointer<ZelvoSceneWindow> &p : list) {
        if (p)
            result << p.data();
    }
    return result;
}

bool hasMenuActions(QGraphicsWidget *page)
{
    if (!page)
        return false;
    for (QAction *action : page->actions()) {
        auto *zelvo = qobject_cast<ZelvoAction *>(action);
        if (zelvo && (zelvo->location() & ZelvoAction::ApplicationMenuLocation) && action->isVisible())
            return true;
    }
    return false;
}

} // namespace

ZelvoApplicationWindow::ZelvoApplicationWindow(QWidget *parent)
    : QGraphicsView(parent)
    , m_orientation(Portrait)
    , m_orientationLocked(false)
    , m_root(new QGraphicsWidget)
    , m_navigationBar(nullptr)
{
    setObjectName(QStringLiteral("zelvoApplicationWindow"));
    setWindowTitle(QCoreApplication::applicationName());
    qRegisterMetaType<ZelvoApplicationPage *>();
    auto *scene = new QGraphicsScene(this);
    setScene(scene);
    scene->addItem(m_root);
    for (int i = 0; i < 3; ++i) {
        m_layers[i] = new QGraphicsWidget(m_root);
        m_layers[i]->setZValue(10 * (i + 1));
    }

    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    setViewportUpdateMode(QGraphicsView::BoundingRectViewportUpdate);

    // The menu button follows the actions of the page on top.
    auto *actionWatcher = new ZelvoEventWatcher(
        { QEvent::ActionAdded, QEvent::ActionRemoved, QEvent::ActionChanged },
        [this](QObject *, QEvent *) { QTimer::singleShot(0, this, &ZelvoApplicationWindow::updateNavigationBar); },
        this);
    actionWatcher->setObjectName(QStringLiteral("zelvoActionWatcher"));

    relayout();
    ZelvoWindowRegistry::add(this);
    // Under a host that is not a ZelvoApplication, the first window starts
    // the automation endpoint.
    ZelvoAutomationServer::startFromEnvironment();
}

ZelvoApplicationWindow::~ZelvoApplicationWindow()
{
    ZelvoWindowRegistry::remove(this);
    // The pages and banners on display belong to the window; dialogs belong to
    // whoever runs them and only leave the scene.
    const QList<ZelvoSceneWindow *> dialogs = alive(m_dialogs);
    const QList<ZelvoSceneWindow *> owned = alive(m_pages) + alive(m_banners);
    m_pages.clear();
    m_dialogs.clear();
    m_banners.clear();
    for (ZelvoSceneWindow *dialog : dialogs) {
        dialog->m_window = nullptr;
        if (auto *d = qobject_cast<ZelvoDialog *>(dialog)) {
            if (d->isRunning())
                d->done(d->result());
        }
        dialog->setParentItem(nullptr);
        if (dialog->scene())
            dialog->scene()->removeItem(dialog);
    }
    for (ZelvoSceneWindow *w : owned) {
        w->m_window = nullptr;
        delete w;
    }
}

// A window that is never shown need not measure texts: the navigation bar
// (whose buttons measure theirs) and the theme's look come with the first
// page, the first show or the first picture.
void ZelvoApplicationWindow::buildChrome()
{
    if (m_navigationBar)
        return;
    const ZelvoStyle look = ZelvoTheme::instance().style(&ZelvoApplicationWindow::staticMetaObject, QString());
    scene()->setBackgroundBrush(look.backgroundColor.alpha() > 0 ? look.backgroundColor : QColor(Qt::black));

    m_navigationBar = new ZelvoNavigationBar(m_root);
    m_navigationBar->setZValue(5);
    connect(m_navigationBar, &ZelvoNavigationBar::backClicked, this, &ZelvoApplicationWindow::pressBackButton);
    connect(m_navigationBar, &ZelvoNavigationBar::menuClicked, this, [this]() {
        if (ZelvoApplicationPage *page = currentPage()) {
            auto *menu = new ZelvoApplicationMenu(page);
            menu->appear(this, ZelvoSceneWindow::DestroyWhenDone);
        }
    });
    relayout();
    updateNavigationBar();
}

void ZelvoApplicationWindow::setPortraitOrientation()
{
    setOrientation(Portrait);
}

void ZelvoApplicationWindow::setLandscapeOrientation()
{
    setOrientation(Landscape);
}

void ZelvoApplicationWindow::setOrientation(Orientation orientation)
{
    if (m_orientationLocked || orientation == m_orientation)
        return;
    m_orientation = orientation;
    relayout();
    emit orientationChanged(orientation);
}

ZelvoApplicationWindow::Orientation ZelvoApplicationWindow::orientation() const
{
    return m_orientation;
}

bool ZelvoApplicationWindow::isPortrait() const
{
    return m_orientation == Portrait;
}

void ZelvoApplicationWindow::lockOrientation()
{
    if (m_orientationLocked)
        return;
    m_orientationLocked = true;
    emit orientationLockChanged(true);
}

void ZelvoApplicationWindow::unlockOrientation()
{
    if (!m_orientationLocked)
        return;
    m_orientationLocked = false;
    emit orientationLockChanged(false);
}

bool ZelvoApplicationWindow::isOrientationLocked() const
{
    return m_orientationLocked;
}

QList<ZelvoApplicationPage *> ZelvoApplicationWindow::pages() const
{
    QList<ZelvoApplicationPage *> result;
    for (ZelvoSceneWindow *w : alive(m_pages)) {
        if (auto *page = qobject_cast<ZelvoApplicationPage *>(w))
            result << page;
    }
    return result;
}

ZelvoApplicationPage *ZelvoApplicationWindow::currentPage() const
{
    const QList<ZelvoApplicationPage *> stack = pages();
    return stack.isEmpty() ? nullptr : stack.last();
}

QList<ZelvoSceneWindow *> ZelvoApplicationWindow::dialogs() const
{
    return alive(m_dialogs);
}

QList<ZelvoSceneWindow *> ZelvoApplicationWindow::banners() const
{
    return alive(m_banners);
}

QSize ZelvoApplicationWindow::sceneSize() const
{
    return m_orientation == Portrait ? QSize(shortSide, longSide) : QSize(longSide, shortSide);
}

QImage ZelvoApplicationWindow::renderToImage()
{
    buildChrome();
    const QSize size = sceneSize();
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    scene()->render(&painter, QRectF(QPointF(0, 0), size), QRectF(QPointF(0, 0), size));
    painter.end();
    return image;
}

bool ZelvoApplicationWindow::saveScreenshot(const QString &path)
{
    const QImage image = renderToImage();
    if (!image.save(path, "PNG")) {
        PLATFORM_LOG_ERROR("Could not save a screenshot to %s", qPrintable(path));
        return false;
    }
    return true;
}

void ZelvoApplicationWindow::pressBackButton()
{
    const QList<ZelvoSceneWindow *> open = alive(m_dialogs);
    if (!open.isEmpty()) {
        ZelvoSceneWindow *top = open.last();
        if (auto *dialog = qobject_cast<ZelvoDialog *>(top))
            dialog->reject();
        else
            top->dismiss();
        return;
    }
    if (ZelvoApplicationPage *page = currentPage())
        page->pressBackButton();
}

void ZelvoApplicationWindow::showEvent(QShowEvent *event)
{
    buildChrome();
    QGraphicsView::showEvent(event);
    emit visibilityChanged(true);
}

void ZelvoApplicationWindow::hideEvent(QHideEvent *event)
{
    QGraphicsView::hideEvent(event);
    emit visibilityChanged(false);
}

void ZelvoApplicationWindow::resizeEvent(QResizeEvent *event)
{
    QGraphicsView::resizeEvent(event);
    centerOn(QPointF(sceneSize().width() / 2.0, sceneSize().height() / 2.0));
}

QGraphicsWidget *ZelvoApplicationWindow::layerItem(int layer) const
{
    return m_layers[qBound(0, layer, 2)];
}

void ZelvoApplicationWindow::addSceneWindow(ZelvoSceneWindow *window, int layer)
{
    buildChrome();
    QList<QPointer<ZelvoSceneWindow>> &list = layer == 0 ? m_pages : layer == 1 ? m_dialogs : m_banners;
    ZelvoApplicationPage *previousPage = currentPage();

    if (layer == 2) {
        // One banner at a time: a new one replaces what is on display.
        for (ZelvoSceneWindow *old : alive(m_banners)) {
            if (old != window)
                old->disappear();
        }
    }
    list.removeAll(window);
    list.removeAll(QPointer<ZelvoSceneWindow>());
    list.append(window);
    window->setParentItem(layerItem(layer));
    if (layer == 0) {
        if (auto *watcher = findChild<ZelvoEventWatcher *>(QStringLiteral("zelvoActionWatcher")))
            watcher->watch(window);
    }
    window->setVisible(true);
    if (layer == 0) {
        for (ZelvoSceneWindow *page : alive(m_pages))
            page->setVisible(page == window);
    }
    relayout();
    if (layer == 0 && currentPage() != previousPage)
        emit currentPageChanged(currentPage());
    updateNavigationBar();
}

void ZelvoApplicationWindow::removeSceneWindow(ZelvoSceneWindow *window)
{
    ZelvoApplicationPage *previousPage = currentPage();
    if (auto *watcher = findChild<ZelvoEventWatcher *>(QStringLiteral("zelvoActionWatcher")))
        watcher->unwatch(window);
    m_pages.removeAll(window);
    m_dialogs.removeAll(window);
    m_banners.removeAll(window);
    m_pages.removeAll(QPointer<ZelvoSceneWindow>());
    if (window->scene() == scene()) {
        window->setParentItem(nullptr);
        scene()->removeItem(window);
    }
    const QList<ZelvoSceneWindow *> stack = alive(m_pages);
    if (!stack.isEmpty())
        stack.last()->setVisible(true);
    ZelvoApplicationPage *now = currentPage();
    if (now != previousPage) {
        relayout();
        emit currentPageChanged(now);
    }
    updateNavigationBar();
}

void ZelvoApplicationWindow::relayout()
{
    const QSize size = sceneSize();
    setFixedSize(size);
    scene()->setSceneRect(QRectF(QPointF(0, 0), size));
    m_root->setGeometry(QRectF(QPointF(0, 0), size));

    const qreal barHeight = m_navigationBar ? m_navigationBar->effectiveSizeHint(Qt::PreferredSize).height() : 0;
    if (m_navigationBar)
        m_navigationBar->setGeometry(QRectF(0, 0, size.width(), barHeight));
    const QRectF pageArea(0, barHeight, size.width(), size.height() - barHeight);
    m_layers[0]->setGeometry(pageArea);
    m_layers[1]->setGeometry(QRectF(QPointF(0, 0), size));
    m_layers[2]->setGeometry(QRectF(QPointF(0, 0), size));

    for (ZelvoSceneWindow *page : alive(m_pages))
        page->setGeometry(QRectF(QPointF(0, 0), pageArea.size()));
    for (ZelvoSceneWindow *dialog : alive(m_dialogs))
        dialog->setGeometry(QRectF(QPointF(0, 0), size));
    for (ZelvoSceneWindow *banner : alive(m_banners)) {
        const qreal h = banner->effectiveSizeHint(Qt::PreferredSize, QSizeF(size.width(), -1)).height();
        banner->setGeometry(QRectF(0, 0, size.width(), h));
    }
}

void ZelvoApplicationWindow::updateNavigationBar()
{
    if (!m_navigationBar)
        return;
    ZelvoApplicationPage *page = currentPage();
    m_navigationBar->setTitle(page ? ZelvoLocale::displayText(page->title()) : QString());
    m_navigationBar->setMenuVisible(hasMenuActions(page));
}
