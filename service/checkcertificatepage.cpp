#include "checkcertificatepage.h"

#include "buttonadvertiser.h"

#include <certificatedetailswidget.h>
#include <certificateitem.h>
#include <certificateitemwidget.h>
#include <log.h>
#include <zelvoapplication.h>
#include <zelvoapplicationpage.h>
#include <zelvoapplicationwindow.h>
#include <zelvolabel.h>
#include <zelvolayout.h>
#include <zelvolinearlayoutpolicy.h>
#include <zelvooverlay.h>
#include <zelvoseparator.h>

#include <QEventLoop>
#include <QGraphicsWidget>

namespace {

ZelvoLabel *styledLabel(const QString &text, const char *styleName)
{
    auto *label = new ZelvoLabel(text);
    label->setStyleName(QLatin1String(styleName));
    return label;
}

ZelvoSeparator *styledSeparator(const char *styleName)
{
    auto *separator = new ZelvoSeparator;
    separator->setStyleName(QLatin1String(styleName));
    return separator;
}

} // namespace

CheckCertificatePage::CheckCertificatePage(const QString &text, CertificateItem *item, QObject *parent)
    : QObject(parent)
{
    buildTop(text);
    addCertificateWidget(item, QString());
    finishBuilding();
}

CheckCertificatePage::CheckCertificatePage(const QString &text, CertificateItem *oldItem, CertificateItem *newItem,
                                           QObject *parent)
    : QObject(parent)
{
    buildTop(text);
    addGroupHeader(qtTrId("lgd_certman_old_certificate"));
    addCertificateWidget(oldItem, QStringLiteral("OldCertificateItemWidget"));
    addGroupHeader(qtTrId("lgd_certman_new_certificate"));
    addCertificateWidget(newItem, QStringLiteral("NewCertificateItemWidget"));
    finishBuilding();
}

CheckCertificatePage::~CheckCertificatePage()
{
    // The pages may outlive the question for a moment (the window destroys
    // them from its event loop), but the items they show are deleted by the
    // caller right after it: nothing may reach them any more.
    for (const QPointer<ZelvoApplicationPage> &details : qAsConst(m_detailsPages)) {
        if (details && details->isOnDisplay())
            details->dismiss();
    }
    for (const QPointer<CertificateItemWidget> &widget : qAsConst(m_certificateWidgets)) {
        if (widget)
            widget->setCertificate(nullptr);
    }
    if (!m_shown)
        delete m_page; // never reached a window, so nobody else owns it
    delete m_eventLoop;
}

void CheckCertificatePage::setObjectName(const QString &name)
{
    if (m_page)
        m_page->setObjectName(name);
}

// Header, separator and the question, in a column that the rest of the page
// is appended to.
void CheckCertificatePage::buildTop(const QString &text)
{
    m_page = new ZelvoApplicationPage;
    m_page->setStyleName(QStringLiteral("CommonApplicationPageInverted"));
    m_page->setEscapeMode(ZelvoApplicationPage::EscapeManualBack);

    auto *central = new QGraphicsWidget;
    auto *layout = new ZelvoLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    m_policy = new ZelvoLinearLayoutPolicy(layout, Qt::Vertical);
    m_policy->setSpacing(0);
    central->setLayout(layout);

    m_policy->addItem(styledLabel(qtTrId("lgd_certman_servercertificate"), "CommonHeaderInverted"));
    m_policy->addItem(styledSeparator("CommonHeaderDividerInverted"));
    ZelvoLabel *body = styledLabel(text, "CommonBodyTextInverted");
    body->setAlignment(Qt::AlignVCenter);
    body->setWordWrap(true);
    m_policy->addItem(body);

    m_page->setCentralWidget(central);
}

void CheckCertificatePage::addCertificateWidget(CertificateItem *item, const QString &objectName)
{
    auto *widget = new CertificateItemWidget;
    widget->setCertificate(item);
    if (!objectName.isEmpty())
        widget->setObjectName(objectName);
    connect(widget, &CertificateItemWidget::clickedWithCI, this, &CheckCertificatePage::_showDetailsPage);
    m_policy->addItem(widget);
    m_certificateWidgets << widget;
}

// A divider line followed by a caption, on a themed panel.
void CheckCertificatePage::addGroupHeader(const QString &text)
{
    auto *panel = new ZelvoOverlay;
    panel->setStyleName(QStringLiteral("CommonGroupHeaderPanelInverted"));
    auto *layout = new ZelvoLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    auto *row = new ZelvoLinearLayoutPolicy(layout, Qt::Horizontal);
    ZelvoSeparator *divider = styledSeparator("CommonGroupHeaderDividerInverted");
    row->addItem(divider, Qt::AlignVCenter);
    row->setStretchFactor(divider, 2);
    row->addItem(styledLabel(text, "CommonGroupHeaderInverted"), Qt::AlignVCenter);
    panel->setLayout(layout);
    m_policy->addItem(panel);
}

void CheckCertificatePage::finishBuilding()
{
    m_eventLoop = new QEventLoop(this);
    m_pressedButton = nullptr;
    m_hasButtons = false;
}

ButtonAdvertiser *CheckCertificatePage::addButton(const QString &text)
{
    auto *button = new ButtonAdvertiser(text);
    button->setStyleName(m_hasButtons ? QStringLiteral("CommonBottomButtonInverted")
                                      : QStringLiteral("CommonTopButtonInverted"));
    // In this order: the button is recorded before the loop ends.
    connect(button, QOverload<ZelvoButton *>::of(&ButtonAdvertiser::clicked), this,
            &CheckCertificatePage::_setButtonPressed);
    connect(button, QOverload<ZelvoButton *>::of(&ButtonAdvertiser::clicked), this,
            &CheckCertificatePage::buttonPressed);
    connect(button, &ZelvoButton::clicked, m_eventLoop, &QEventLoop::quit);
    if (!m_hasButtons) {
        auto *spacer = new ZelvoStylableWidget;
        spacer->setStyleName(QStringLiteral("CommonSpacer"));
        m_policy->addItem(spacer);
    }
    m_policy->addItem(button, Qt::AlignHCenter);
    m_hasButtons = true;
    return button;
}

ZelvoButton *CheckCertificatePage::exec()
{
    if (!m_hasButtons || m_shown || !m_page)
        return nullptr;
    ZelvoApplicationWindow *window = ZelvoApplication::activeWindow();
    if (!window) {
        // Nobody could answer: waiting would hang the call for good.
        TK_LOG_ERROR("%s: there is no window to ask the user in", "CheckCertificatePage");
        return nullptr;
    }
    m_policy->addStretch(1);
    window->setVisible(true);
    m_page->appear(window, ZelvoSceneWindow::DestroyWhenDismissed);
    m_shown = true;
    connect(m_page, &ZelvoApplicationPage::backButtonClicked, m_eventLoop, &QEventLoop::quit);
    m_eventLoop->exec();
    leave();
    return m_pressedButton;
}

// The answered question leaves the window: left up, it would cover the
// question of an outer call that still waits for the user.
void CheckCertificatePage::leave()
{
    if (m_page && m_page->isOnDisplay())
        m_page->dismiss();
}

void CheckCertificatePage::_setButtonPressed(ZelvoButton *button)
{
    m_pressedButton = button;
}

void CheckCertificatePage::_showDetailsPage(CertificateItem *cert)
{
    auto *details = new CertificateDetailsWidget;
    details->setCertificate(cert);
    auto *page = new ZelvoApplicationPage;
    page->setStyleName(QStringLiteral("CommonApplicationPageInverted"));
    page->setCentralWidget(details);
    page->appear(ZelvoApplication::activeWindow(), ZelvoSceneWindow::DestroyWhenDismissed);
    m_detailsPages << page;
}
