#include "samplelistpage.h"

#include "zelvoapplicationpage.h"
#include "zelvolabel.h"
#include "zelvolayout.h"
#include "zelvolinearlayoutpolicy.h"
#include "zelvolist.h"
#include "zelvoprogressindicator.h"
#include "zelvoseparator.h"

#include <QStandardItemModel>

namespace {

ZelvoSeparator *separator(QGraphicsItem *parent, const QString &styleName)
{
    auto *s = new ZelvoSeparator(parent);
    s->setStyleName(styleName);
    return s;
}

} // namespace

SampleListPage::SampleListPage(QObject *parent)
    : QObject(parent)
    , m_page(new ZelvoApplicationPage)
    , m_model(new QStandardItemModel(this))
    , m_layout(new ZelvoLayout)
{
    m_page->setObjectName(QStringLiteral("listPage"));
    m_page->setStyleName(QStringLiteral("CommonApplicationPageInverted"));
    m_page->setTitle(QStringLiteral("Certificates"));

    const char *const rows[][2] = {
        { "Example Root Authority", "Valid until 12 March 2034" },
        { "Example Issuing CA 2", "Valid until 1 October 2029" },
        { "mail.example.org", "Valid until 30 June 2026" },
        { "Device owner", "Valid until 4 January 2027" },
        { "Code Signing Unit", "Valid until 18 May 2028" },
    };
    for (const auto &row : rows) {
        auto *item = new QStandardItem(QString::fromUtf8(row[0]));
        item->setData(QString::fromUtf8(row[1]), Qt::UserRole + 1);
        m_model->appendRow(item);
    }

    QGraphicsWidget *central = m_page->centralWidget();
    auto *title = new ZelvoLabel(QStringLiteral("Certificates"));
    title->setStyleName(QStringLiteral("CommonHeaderInverted"));

    auto *spinner = new ZelvoProgressIndicator(central, QLatin1String(ZelvoProgressIndicator::spinnerType));
    spinner->setObjectName(QStringLiteral("listSpinner"));
    spinner->setStyleName(QStringLiteral("CommonLargeSpinnerInverted"));
    spinner->setUnknownDuration(true);

    auto *list = new ZelvoList(central);
    list->setObjectName(QStringLiteral("sampleList"));
    list->setSubtitleRole(Qt::UserRole + 1);
    list->setItemModel(m_model);

    auto *empty = new ZelvoLabel(QStringLiteral("No certificates"));
    empty->setObjectName(QStringLiteral("EmptyLabel"));
    empty->setStyleName(QStringLiteral("CommonEmptyStateTitleInverted"));
    empty->setWordWrap(true);
    empty->setAlignment(Qt::AlignCenter);
    empty->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    m_layout->setContentsMargins(0, 0, 0, 0);
    m_spinnerPolicy = new ZelvoLinearLayoutPolicy(m_layout, Qt::Vertical);
    m_spinnerPolicy->addItem(title);
    m_spinnerPolicy->addItem(separator(central, QStringLiteral("CommonHeaderDividerInverted")));
    m_spinnerPolicy->addStretch(1);
    m_spinnerPolicy->addItem(spinner, Qt::AlignCenter);
    m_spinnerPolicy->addStretch(1);

    m_listPolicy = new ZelvoLinearLayoutPolicy(m_layout, Qt::Vertical);
    m_listPolicy->addItem(title);
    m_listPolicy->addItem(separator(central, QStringLiteral("CommonHeaderDividerInverted")));
    m_listPolicy->addItem(separator(central, QStringLiteral("CommonLargeSpacer")));
    m_listPolicy->addItem(list);
    m_listPolicy->addStretch(1);

    m_emptyPolicy = new ZelvoLinearLayoutPolicy(m_layout, Qt::Vertical);
    m_emptyPolicy->addItem(title);
    m_emptyPolicy->addItem(separator(central, QStringLiteral("CommonHeaderDividerInverted")));
    m_emptyPolicy->addItem(empty);

    m_layout->setPolicy(m_spinnerPolicy);
    central->setLayout(m_layout);
}

SampleListPage::~SampleListPage() = default;

ZelvoApplicationPage *SampleListPage::page() const
{
    return m_page;
}

void SampleListPage::showSpinner()
{
    m_layout->setPolicy(m_spinnerPolicy);
}

void SampleListPage::showList()
{
    m_layout->setPolicy(m_listPolicy);
}

void SampleListPage::showEmpty()
{
    m_layout->setPolicy(m_emptyPolicy);
}
