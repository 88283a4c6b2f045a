#include "pagewait.h"

#include <zelvoapplication.h>
#include <zelvoapplicationwindow.h>

#include <QEventLoop>

PageWait::PageWait(QObject *owner)
    : m_page(new ZelvoApplicationPage)
    , m_loop(new QEventLoop(owner))
{
    m_page->setStyleName(QStringLiteral("CommonApplicationPageInverted"));
    m_page->setEscapeMode(ZelvoApplicationPage::EscapeManualBack);
    QObject::connect(m_page, &ZelvoApplicationPage::backButtonClicked, m_loop, &QEventLoop::quit);
}

PageWait::~PageWait()
{
    // A page that never appeared has no window to own it.
    if (!m_shown)
        delete m_page;
    delete m_loop;
}

void PageWait::quitOn(QObject *sender, const char *signal)
{
    QObject::connect(sender, signal, m_loop, SLOT(quit()));
}

void PageWait::exec(ZelvoSceneWindow::DeletionPolicy policy)
{
    ZelvoApplicationWindow *window = ZelvoApplication::activeWindow();
    if (window)
        window->setVisible(true);
    m_page->appear(window, policy);
    m_shown = true;
    m_loop->exec();
    if (m_page && m_page->isOnDisplay())
        m_page->dismiss();
}
