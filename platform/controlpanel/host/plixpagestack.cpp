#include "plixpagestack.h"

#include "platformlog.h"
#include "plixappletif.h"
#include "plixpageframe.h"
#include "plixstylablewidget.h"

#include <zelvoaction.h>
#include <zelvoapplicationwindow.h>

PlixPageStack::PlixPageStack(PlixAppletIf *applet, ZelvoApplicationWindow *window, QObject *parent)
    : QObject(parent)
    , m_applet(applet)
    , m_window(window)
    , m_finished(false)
{
}

PlixPageStack::~PlixPageStack()
{
    const QList<PlixPageFrame *> left = frames();
    m_frames.clear();
    for (PlixPageFrame *frame : left) {
        frame->disappear();
        delete frame;
    }
}

bool PlixPageStack::open()
{
    m_applet->init();
    if (!showPage(0)) {
        PLATFORM_LOG_ERROR("the applet gave no main page");
        return false;
    }
    return true;
}

int PlixPageStack::depth() const
{
    return frames().size();
}

QList<int> PlixPageStack::pageNumbers() const
{
    QList<int> numbers;
    for (PlixPageFrame *frame : frames())
        numbers << frame->number();
    return numbers;
}

PlixStylableWidget *PlixPageStack::topPage() const
{
    PlixPageFrame *frame = topFrame();
    return frame ? frame->page() : nullptr;
}

PlixPageFrame *PlixPageStack::topFrame() const
{
    const QList<PlixPageFrame *> all = frames();
    return all.isEmpty() ? nullptr : all.last();
}

bool PlixPageStack::showPage(int widgetId, int referer)
{
    PlixStylableWidget *page = m_applet->constructStylableWidget(widgetId);
    if (!page) {
        PLATFORM_LOG_ERROR("constructStylableWidget(%d) gave no page; nothing is shown", widgetId);
        return false;
    }
    const int existing = indexOf(page);
    if (existing >= 0) {
        popAbove(existing);
        topChanged();
        return true;
    }
    if (!m_window) {
        PLATFORM_LOG_ERROR("page %d cannot be shown: the control panel has no window", widgetId);
        delete page;
        return false;
    }
    page->setReferer(referer);
    auto *frame = new PlixPageFrame(widgetId, page);
    QPointer<PlixStylableWidget> guarded(page);
    connect(page, &PlixStylableWidget::widgetChangeRequested, this,
            [this, widgetId](int next) { showPage(next, widgetId); });
    connect(page, &PlixStylableWidget::closeRequested, this, [this, guarded]() { closePage(guarded); });
    connect(page, &PlixStylableWidget::progressIndicatorVisibilityChanged, this, [this, guarded](bool visible) {
        if (guarded && guarded == topPage())
            topFrame()->setBusy(visible);
    });
    connect(page, &QObject::destroyed, this, &PlixPageStack::pageDestroyed);
    connect(frame, &PlixPageFrame::backButtonClicked, this, [this, frame]() {
        if (frame == topFrame())
            back();
    });
    m_frames << frame;
    frame->appear(m_window, PlixPageFrame::KeepWhenDone);
    topChanged();
    return true;
}

void PlixPageStack::back()
{
    QPointer<PlixPageFrame> frame = topFrame();
    if (!frame)
        return;
    if (PlixStylableWidget *page = frame->page()) {
        if (!page->back())
            return; // the page stays open
    }
    // back() may have changed the stack itself.
    if (!frame || frame != topFrame())
        return;
    pop(frame);
    topChanged();
}

void PlixPageStack::closePage(PlixStylableWidget *page)
{
    if (!page || page != topPage()) {
        PLATFORM_LOG_ERROR("closePage: only the page on top can be closed");
        return;
    }
    back();
}

void PlixPageStack::pageDestroyed(QObject *page)
{
    // Only an applet page deleted behind the stack's back is still listed;
    // its frame, now empty, leaves too.
    const int index = indexOf(page);
    if (index < 0)
        return;
    PLATFORM_LOG_ERROR("page %d was deleted while on display; the control panel drops it",
                       m_frames.at(index)->number());
    const bool wasTop = index == m_frames.size() - 1;
    pop(m_frames.at(index));
    if (wasTop)
        topChanged();
}

void PlixPageStack::pop(PlixPageFrame *frame)
{
    m_frames.removeAll(frame);
    frame->disappear();
    // Later, not now: the page may still be running the code that asked to leave.
    frame->deleteLater();
}

void PlixPageStack::popAbove(int index)
{
    while (m_frames.size() > index + 1)
        pop(m_frames.last());
}

void PlixPageStack::topChanged()
{
    m_frames.removeAll(QPointer<PlixPageFrame>());
    PlixPageFrame *frame = topFrame();
    if (!frame) {
        if (!m_finished) {
            m_finished = true;
            emit finished();
        }
        return;
    }
    if (frame->number() == 0 && frame->page()) {
        // The applet answers title and menu for the page it built last.
        PlixStylableWidget *main = m_applet->constructStylableWidget(0);
        if (!main)
            PLATFORM_LOG_ERROR("constructStylableWidget(0) gave no page for the main page on display");
        else if (main != frame->page())
            frame->replacePage(main);
    }
    showTitleAndMenu(frame);
    emit topPageChanged();
}

void PlixPageStack::showTitleAndMenu(PlixPageFrame *frame)
{
    PlixStylableWidget *page = frame->page();
    const QString own = page ? page->title() : QString();
    frame->setTitle(own.isEmpty() ? m_applet->title() : own);
    for (QAction *action : frame->actions())
        frame->removeAction(action);
    for (ZelvoAction *action : m_applet->viewMenuItems()) {
        if (action)
            frame->addAction(action);
    }
    frame->setBusy(page && page->isProgressIndicatorVisible());
}

int PlixPageStack::indexOf(const QObject *page) const
{
    for (int i = 0; i < m_frames.size(); ++i) {
        if (m_frames.at(i) && m_frames.at(i)->holds(page))
            return i;
    }
    return -1;
}

QList<PlixPageFrame *> PlixPageStack::frames() const
{
    QList<PlixPageFrame *> all;
    for (const QPointer<PlixPageFrame> &frame : m_frames) {
        if (frame)
            all << frame;
    }
    return all;
}
