#include "certificateslistwidget.h"

#include "certificatetypetable.h"

#include <certificateitem.h>
#include <certificateslist.h>
#include <certificatesmodel.h>
#include <log.h>
#include <validityscreening.h>
#include <zelvolabel.h>
#include <zelvolayout.h>
#include <zelvolinearlayoutpolicy.h>
#include <zelvoprogressindicator.h>
#include <zelvoseparator.h>

namespace {

const int detailsPage = 5;
const int unmanagedDetailsPage = 4;

} // namespace

CertificatesListWidget::CertificatesListWidget(QGraphicsWidget *parent)
    : PlixStylableWidget(parent)
    , m_layout(nullptr)
    , m_spinnerPolicy(nullptr)
    , m_listPolicy(nullptr)
    , m_emptyPolicy(nullptr)
    , m_titleLabel(nullptr)
    , m_model(nullptr)
    , m_filter(nullptr)
    , m_list(nullptr)
    , m_typeShown(NoCertificateType)
    , m_spinner(nullptr)
{
    setObjectName(QStringLiteral("certificatesListPage"));
    initWidget();
}

// The list lets go of the filter model when it is destroyed, the filter of
// its source; the models themselves have no parent.
CertificatesListWidget::~CertificatesListWidget()
{
    delete m_filter;
    delete m_model;
}

void CertificatesListWidget::gotoPage(int page)
{
    changeWidget(page);
}

void CertificatesListWidget::initWidget()
{
    m_layout = new ZelvoLayout;
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setPolicy(spinnerPolicy(m_layout));
    setLayout(m_layout);
    connect(listWidget(), SIGNAL(itemClicked(QModelIndex)), this, SLOT(listItemSelected(QModelIndex)));
}

CertificatesList *CertificatesListWidget::listWidget()
{
    if (!m_list) {
        m_list = new CertificatesList(this);
        m_model = new CertificatesModel;
        m_filter = new CertificatesFilterModel;
        connect(m_model, SIGNAL(modelPopulated()), this, SLOT(modelPopulated()));
        m_model->populate();
        m_filter->setSourceModel(m_model);
        m_filter->setSortRole(CertificateItem::SortKey);
        m_list->setItemModel(m_filter);
    }
    return m_list;
}

ZelvoLabel *CertificatesListWidget::titleLabelWidget(bool fresh)
{
    if (!fresh && m_titleLabel)
        return m_titleLabel;
    auto *label = new ZelvoLabel(QStringLiteral("lgd_certman_certificatemanagertitle"));
    label->setStyleName(QStringLiteral("CommonHeaderInverted"));
    if (!fresh)
        m_titleLabel = label;
    return label;
}

ZelvoSeparator *CertificatesListWidget::separatorWidget(const QString &styleName)
{
    auto *separator = new ZelvoSeparator(this, Qt::Horizontal);
    separator->setStyleName(styleName);
    return separator;
}

ZelvoLabel *CertificatesListWidget::emptyWidget()
{
    auto *label = new ZelvoLabel(QStringLiteral("lgd_certman_noitems"));
    label->setStyleName(QStringLiteral("CommonEmptyStateTitleInverted"));
    label->setObjectName(QStringLiteral("EmptyLabel"));
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignCenter);
    label->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    return label;
}

ZelvoProgressIndicator *CertificatesListWidget::spinnerWidget()
{
    if (!m_spinner) {
        m_spinner = new ZelvoProgressIndicator(this, QLatin1String(ZelvoProgressIndicator::spinnerType));
        m_spinner->setUnknownDuration(true);
        m_spinner->setObjectName(QStringLiteral("certListSpinner"));
        m_spinner->setStyleName(QStringLiteral("CommonLargeSpinnerInverted"));
    }
    return m_spinner;
}

ZelvoLinearLayoutPolicy *CertificatesListWidget::spinnerPolicy(ZelvoLayout *layout)
{
    if (!m_spinnerPolicy) {
        m_spinnerPolicy = new ZelvoLinearLayoutPolicy(layout, Qt::Vertical);
        m_spinnerPolicy->addItem(titleLabelWidget(false));
        m_spinnerPolicy->addItem(separatorWidget(QStringLiteral("CommonHeaderDividerInverted")));
        m_spinnerPolicy->addStretch(1);
        m_spinnerPolicy->addItem(spinnerWidget(), Qt::AlignCenter);
        m_spinnerPolicy->addStretch(1);
    }
    return m_spinnerPolicy;
}

ZelvoLinearLayoutPolicy *CertificatesListWidget::listPolicy(ZelvoLayout *layout)
{
    if (!m_listPolicy) {
        m_listPolicy = new ZelvoLinearLayoutPolicy(layout, Qt::Vertical);
        m_listPolicy->addItem(titleLabelWidget(false));
        m_listPolicy->addItem(separatorWidget(QStringLiteral("CommonHeaderDividerInverted")));
        m_listPolicy->addItem(separatorWidget(QStringLiteral("CommonLargeSpacer")));
        m_listPolicy->addItem(listWidget());
        m_listPolicy->addStretch(1);
    }
    return m_listPolicy;
}

ZelvoLinearLayoutPolicy *CertificatesListWidget::emptyPolicy(ZelvoLayout *layout)
{
    if (!m_emptyPolicy) {
        m_emptyPolicy = new ZelvoLinearLayoutPolicy(layout, Qt::Vertical);
        m_emptyPolicy->addItem(titleLabelWidget(false));
        m_emptyPolicy->addItem(separatorWidget(QStringLiteral("CommonHeaderDividerInverted")));
        m_emptyPolicy->addItem(emptyWidget());
    }
    return m_emptyPolicy;
}

CertificatesModel *CertificatesListWidget::certificatesModel() const
{
    return m_model;
}

CertificatesFilterModel *CertificatesListWidget::filterModel() const
{
    return m_filter;
}

ZelvoLayout *CertificatesListWidget::pageLayout() const
{
    return m_layout;
}

CertificateType CertificatesListWidget::typeShown() const
{
    return m_typeShown;
}

void CertificatesListWidget::choosePolicy()
{
    if (m_filter->rowCount() == 0)
        m_layout->setPolicy(emptyPolicy(m_layout));
    else
        m_layout->setPolicy(listPolicy(m_layout));
}

void CertificatesListWidget::modelPopulated()
{
    if (m_filter->rowCount() == 0) {
        m_layout->setPolicy(emptyPolicy(m_layout));
        return;
    }
    m_filter->sort(0, Qt::AscendingOrder);
    m_filter->invalidate();
    m_layout->setPolicy(listPolicy(m_layout));
}

void CertificatesListWidget::selectShowCertificates(int idx)
{
    // Negative choices wrap round to large ones and are ignored with them.
    if (unsigned(idx) > unsigned(NoCertificateType))
        return;
    const CertificateType old = m_typeShown;
    m_typeShown = CertificateTypeTable::typeOf(idx);
    m_filter->selectCertificates(m_typeShown);
    // The first choice is made while the list may still be filling: the
    // spinner stays until the model says it is done.
    if (old == NoCertificateType)
        return;
    choosePolicy();
}

void CertificatesListWidget::listItemSelected(const QModelIndex &mi)
{
    emit certificateSelected(mi);
    m_list->clearSelection();
    gotoPage(mi.data(CertificateItem::Manageable).toInt() == 0 ? unmanagedDetailsPage : detailsPage);
}

QModelIndex CertificatesListWidget::index(CertificateItem *ci)
{
    // An item without an identity (no certificate) would match any row as
    // the empty start of every identity.
    const QVariant identity = ci ? ci->attribute(CertificateItem::Identity) : QVariant();
    if (!identity.toStringList().isEmpty()) {
        const QModelIndexList found = m_model->match(m_model->index(0, 0), CertificateItem::Identity, identity, 1,
                                                     Qt::MatchStartsWith | Qt::MatchWrap);
        if (!found.isEmpty())
            return found.first();
    }
    const QString name =
        ci ? ci->attribute(CertificateItem::DisplayStrings).toStringList().join(QLatin1Char(' ')) : QString();
    TK_LOG_ERROR("%s: %s not found in model", "index", qUtf8Printable(name));
    return QModelIndex();
}

void CertificatesListWidget::addCert(const QModelIndex &idx)
{
    m_model->populate(ValidityScreening::itemAt(idx));
    m_filter->invalidate();
    choosePolicy();
}

void CertificatesListWidget::removeCert(const QModelIndex &idx)
{
    // An index of the filter model maps to its source row; one of the
    // certificates model itself does not (it belongs to another model), and
    // its own row is taken.
    const QModelIndex source = idx.model() == m_filter ? m_filter->mapToSource(idx) : QModelIndex();
    if (source.isValid())
        m_model->removeRows(source.row(), 1);
    else if (idx.model() == m_model)
        m_model->removeRows(idx.row(), 1);
    m_filter->invalidate();
    choosePolicy();
}
