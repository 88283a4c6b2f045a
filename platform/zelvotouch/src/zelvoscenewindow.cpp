#include "zelvoscenewindow.h"

#include "platformlog.h"
#include "zelvoapplication.h"
#include "zelvoapplicationwindow.h"

#include <QCloseEvent>
#include <QPointer>
#include <QTimer>

ZelvoSceneWindow::ZelvoSceneWindow(QGraphicsItem *parent)
    : ZelvoStylableWidget(parent)
    , m_window(nullptr)
    , m_policy(KeepWhenDone)
    , m_displayGeneration(0)
{
}

ZelvoSceneWindow::~ZelvoSceneWindow()
{
    if (m_window)
        m_window->removeSceneWindow(this);
}

void ZelvoSceneWindow::appear(DeletionPolicy policy)
{
    appear(nullptr, policy);
}

void ZelvoSceneWindow::appear(ZelvoApplicationWindow *window, DeletionPolicy policy)
{
    if (!window)
        window = ZelvoApplication::activeWindow();
    if (!window) {
        PLATFORM_LOG_ERROR(
            "%s cannot appear: the application has no window",
            qPrintable(objectName().isEmpty() ? QString::fromLatin1(metaObject()->className()) : objectName()));
        if (policy == DestroyWhenDone)
            deleteLater();
        return;
    }
    m_policy = policy;
    if (m_window && m_window != window)
        m_window->removeSceneWindow(this);
    ++m_displayGeneration;
    const bool already = m_window == window;
    m_window = window;
    aboutToAppear();
    window->addSceneWindow(this, layer());
    if (!already)
        emit appeared();
}

ZelvoSceneWindow::DeletionPolicy ZelvoSceneWindow::deletionPolicy() const
{
    return m_policy;
}

ZelvoApplicationWindow *ZelvoSceneWindow::applicationWindow() const
{
    return m_window;
}

bool ZelvoSceneWindow::isOnDisplay() const
{
    return m_window != nullptr;
}

void ZelvoSceneWindow::disappear()
{
    leave(false);
}

void ZelvoSceneWindow::dismiss()
{
    leave(true);
}

void ZelvoSceneWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    dismiss();
}

ZelvoSceneWindow::Layer ZelvoSceneWindow::layer() const
{
    return PageLayer;
}

void ZelvoSceneWindow::aboutToAppear()
{
}

void ZelvoSceneWindow::aboutToDisappear()
{
}

void ZelvoSceneWindow::leave(bool dismissedByUser)
{
    if (!m_window)
        return;
    aboutToDisappear();
    ZelvoApplicationWindow *window = m_window;
    m_window = nullptr;
    ++m_displayGeneration;
    window->removeSceneWindow(this);
    // Whoever closes something may still connect to its disappeared() right
    // after; the signal and any deletion follow from the event loop.
    QTimer::singleShot(0, this, [this, dismissedByUser]() { finishLeaving(dismissedByUser); });
}

void ZelvoSceneWindow::finishLeaving(bool dismissedByUser)
{
    QPointer<ZelvoSceneWindow> guard(this);
    if (dismissedByUser)
        emit dismissed();
    if (!guard)
        return;
    emit disappeared();
    if (!guard || isOnDisplay())
        return;
    if (m_policy == DestroyWhenDone || (m_policy == DestroyWhenDismissed && dismissedByUser))
        deleteLater();
}
