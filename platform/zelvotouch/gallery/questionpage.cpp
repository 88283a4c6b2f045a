#include "questionpage.h"

#include "zelvoapplicationpage.h"
#include "zelvoapplicationwindow.h"
#include "zelvobutton.h"
#include "zelvolabel.h"
#include "zelvoseparator.h"

#include <QEventLoop>
#include <QGraphicsLinearLayout>

QuestionPage::QuestionPage(const QString &header, const QString &body, QObject *parent)
    : QObject(parent)
    , m_page(new ZelvoApplicationPage)
    , m_layout(new QGraphicsLinearLayout(Qt::Vertical))
    , m_loop(new QEventLoop(this))
    , m_pressed(nullptr)
    , m_buttons(0)
    , m_finished(false)
{
    m_page->setObjectName(QStringLiteral("questionPage"));
    m_page->setStyleName(QStringLiteral("CommonApplicationPageInverted"));
    m_page->setEscapeMode(ZelvoApplicationPage::EscapeManualBack);

    auto *headerLabel = new ZelvoLabel(header);
    headerLabel->setObjectName(QStringLiteral("questionHeader"));
    headerLabel->setStyleName(QStringLiteral("CommonHeaderInverted"));
    auto *separator = new ZelvoSeparator;
    separator->setStyleName(QStringLiteral("CommonHeaderDividerInverted"));
    auto *bodyLabel = new ZelvoLabel(body);
    bodyLabel->setObjectName(QStringLiteral("questionBody"));
    bodyLabel->setStyleName(QStringLiteral("CommonBodyTextInverted"));
    bodyLabel->setAlignment(Qt::AlignVCenter);
    bodyLabel->setWordWrap(true);

    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_layout->addItem(headerLabel);
    m_layout->addItem(separator);
    m_layout->addItem(bodyLabel);
    auto *central = new QGraphicsWidget;
    central->setLayout(m_layout);
    m_page->setCentralWidget(central);

    connect(m_page, &ZelvoApplicationPage::backButtonClicked, m_loop, &QEventLoop::quit);
}

QuestionPage::~QuestionPage() = default;

ZelvoButton *QuestionPage::addButton(const QString &text, const QString &objectName)
{
    auto *button = new ZelvoButton(text);
    button->setObjectName(objectName);
    button->setStyleName(m_buttons == 0 ? QStringLiteral("CommonTopButtonInverted")
                                        : QStringLiteral("CommonBottomButtonInverted"));
    if (m_buttons == 0) {
        auto *spacer = new ZelvoStylableWidget;
        spacer->setStyleName(QStringLiteral("CommonSpacer"));
        m_layout->addItem(spacer);
    }
    m_layout->addItem(button);
    m_layout->setAlignment(button, Qt::AlignHCenter);
    connect(button, &ZelvoButton::clicked, this, [this, button]() {
        m_pressed = button;
        m_loop->quit();
    });
    ++m_buttons;
    return button;
}

ZelvoApplicationPage *QuestionPage::page() const
{
    return m_page;
}

void QuestionPage::show(ZelvoApplicationWindow *window)
{
    if (!m_finished) {
        m_layout->addStretch(1);
        m_finished = true;
    }
    window->show();
    m_page->appear(window, ZelvoApplicationPage::DestroyWhenDismissed);
}

ZelvoButton *QuestionPage::exec(ZelvoApplicationWindow *window)
{
    if (m_buttons == 0)
        return nullptr;
    m_pressed = nullptr;
    show(window);
    m_loop->exec();
    return m_pressed;
}
