#include "zelvonavigationbar.h"

#include "zelvobutton.h"
#include "zelvolabel.h"

#include <QGraphicsLinearLayout>

ZelvoNavigationBar::ZelvoNavigationBar(QGraphicsItem *parent)
    : ZelvoStylableWidget(parent)
    , m_back(new ZelvoButton(QString(QChar(0x2039)), this))
    , m_title(new ZelvoLabel(this))
    , m_menu(new ZelvoButton(QString(QChar(0x22ee)), this))
{
    m_back->setObjectName(QStringLiteral("zelvoBackButton"));
    m_back->setStyleName(QStringLiteral("NavigationBackButton"));
    m_title->setObjectName(QStringLiteral("zelvoNavigationTitle"));
    m_title->setStyleName(QStringLiteral("NavigationTitle"));
    m_title->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_menu->setObjectName(QStringLiteral("zelvoMenuButton"));
    m_menu->setStyleName(QStringLiteral("NavigationMenuButton"));
    m_menu->setVisible(false);

    auto *layout = new QGraphicsLinearLayout(Qt::Horizontal);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addItem(m_back);
    layout->addItem(m_title);
    layout->setAlignment(m_back, Qt::AlignVCenter);
    layout->setAlignment(m_title, Qt::AlignVCenter);
    setLayout(layout);

    connect(m_back, &ZelvoButton::clicked, this, &ZelvoNavigationBar::backClicked);
    connect(m_menu, &ZelvoButton::clicked, this, &ZelvoNavigationBar::menuClicked);
}

ZelvoNavigationBar::~ZelvoNavigationBar() = default;

void ZelvoNavigationBar::setTitle(const QString &title)
{
    m_title->setText(title);
}

void ZelvoNavigationBar::setMenuVisible(bool visible)
{
    // Hidden items keep their space in a graphics layout; take it out instead.
    auto *bar = static_cast<QGraphicsLinearLayout *>(layout());
    bool inLayout = false;
    for (int i = 0; i < bar->count(); ++i)
        inLayout = inLayout || bar->itemAt(i) == m_menu;
    if (visible && !inLayout) {
        bar->addItem(m_menu);
        bar->setAlignment(m_menu, Qt::AlignVCenter);
    } else if (!visible && inLayout) {
        bar->removeItem(m_menu);
    }
    m_menu->setVisible(visible);
}

ZelvoButton *ZelvoNavigationBar::backButton() const
{
    return m_back;
}

ZelvoButton *ZelvoNavigationBar::menuButton() const
{
    return m_menu;
}
