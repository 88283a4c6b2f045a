#include "sampleapplet.h"

#include <plixbrief.h>

#include <zelvoaction.h>
#include <zelvobanner.h>

namespace {
ZelvoAction *menuAction(const QString &text, const QString &objectName, QObject *parent)
{
    auto *action = new ZelvoAction(text, parent);
    action->setObjectName(objectName);
    action->setLocation(ZelvoAction::ApplicationMenuLocation);
    return action;
}
} // namespace

SampleApplet::SampleApplet()
    : m_initCount(0)
    , m_currentPage(0)
    , m_mainPageExits(0)
{
}

SampleApplet::~SampleApplet() = default;

void SampleApplet::init()
{
    ++m_initCount;
}

QString SampleApplet::title() const
{
    return m_currentPage == 0 ? QStringLiteral("Sample") : QStringLiteral("Sample page %1").arg(m_currentPage);
}

QVector<ZelvoAction *> SampleApplet::viewMenuItems()
{
    if (m_mainMenu.isEmpty()) {
        m_mainMenu << menuAction(QStringLiteral("Open page 1"), QStringLiteral("sampleOpenAction"), this);
        connect(m_mainMenu.first(), &QAction::triggered, this, &SampleApplet::openFirstPage);
        m_oddMenu << menuAction(QStringLiteral("Show a banner"), QStringLiteral("sampleBannerAction"), this);
        connect(m_oddMenu.first(), &QAction::triggered, this, &SampleApplet::showBanner);
    }
    if (m_currentPage == 0)
        return m_mainMenu;
    return m_currentPage % 2 ? m_oddMenu : QVector<ZelvoAction *>();
}

PlixBrief *SampleApplet::constructBrief(int)
{
    return new PlixBrief;
}

PlixStylableWidget *SampleApplet::constructStylableWidget(int widgetId)
{
    if (widgetId < 0 || widgetId > lastPage)
        return nullptr;
    m_currentPage = widgetId;
    if (widgetId != 0)
        return new SamplePage(widgetId);
    if (!m_mainPage) {
        m_mainPage = new SamplePage(0);
        connect(m_mainPage, &QObject::destroyed, this, &SampleApplet::mainPageExited);
    }
    return m_mainPage;
}

void SampleApplet::mainPageExited()
{
    ++m_mainPageExits;
    m_currentPage = 0;
}

void SampleApplet::openFirstPage()
{
    if (m_mainPage)
        m_mainPage->changeWidget(1);
}

void SampleApplet::showBanner()
{
    auto *banner = new ZelvoBanner;
    banner->setObjectName(QStringLiteral("sampleBanner"));
    banner->setTitle(QStringLiteral("A banner of the sample applet"));
    banner->appear(ZelvoSceneWindow::DestroyWhenDone);
}
