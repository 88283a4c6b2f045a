#include "certificatefilewidget.h"

#include "certificatefile.h"
#include "certificateitem.h"
#include "certificateitemlistmodel.h"
#include "uitext.h"

#include <zelvobutton.h>
#include <zelvolabel.h>
#include <zelvoseparator.h>

#include <QGraphicsLinearLayout>

namespace {
const char rowProperty[] = "certificateRow";
}

CertificateFileWidget::CertificateFileWidget(QGraphicsItem *parent)
    : ZelvoStylableWidget(parent)
    , m_model(new CertificateItemListModel(this))
    , m_layout(new QGraphicsLinearLayout(Qt::Vertical, this))
    , m_rows(new QGraphicsLinearLayout(Qt::Vertical))
    , m_title(new ZelvoLabel)
    , m_install(new ZelvoButton(uiText("lgd_certman_install", "Install")))
    , m_cancel(new ZelvoButton(uiText("lgd_certman_cancel", "Cancel")))
{
    setObjectName(QStringLiteral("certificateFileWidget"));
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_title->setStyleName(QStringLiteral("CommonHeaderInverted"));
    m_title->setTextFormat(Qt::PlainText);
    m_title->setWordWrap(true);
    m_title->setObjectName(QStringLiteral("fileTitle"));
    auto *separator = new ZelvoSeparator;
    separator->setStyleName(QStringLiteral("CommonHeaderDividerInverted"));
    m_rows->setContentsMargins(0, 0, 0, 0);

    m_install->setObjectName(QStringLiteral("installButton"));
    m_install->setStyleName(QStringLiteral("CommonTopButtonInverted"));
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_cancel->setStyleName(QStringLiteral("CommonBottomButtonInverted"));

    m_layout->addItem(m_title);
    m_layout->addItem(separator);
    m_layout->addItem(m_rows);
    m_layout->addStretch(1);
    m_layout->addItem(m_install);
    m_layout->setAlignment(m_install, Qt::AlignHCenter);
    m_layout->addItem(m_cancel);
    m_layout->setAlignment(m_cancel, Qt::AlignHCenter);

    connect(m_install, &ZelvoButton::clicked, this, &CertificateFileWidget::installClicked);
    connect(m_cancel, &ZelvoButton::clicked, this, &CertificateFileWidget::operationCancelled);
    updateInstallButton();
}

CertificateFileWidget::~CertificateFileWidget() = default;

bool CertificateFileWidget::setFile(CertificateFile *file)
{
    clearRows();
    m_file = file;
    m_model->setItems(QList<CertificateItem *>());
    m_title->setText(QString());
    if (!file || (!file->isLoaded() && !file->load()) || file->count() == 0) {
        m_file = nullptr;
        return false;
    }
    m_title->setText(file->fileName());
    m_model->setItems(file->certificates());
    // The rows show the file's items: they go when the file goes.
    connect(
        file, &QObject::destroyed, this,
        [this]() {
            clearRows();
            m_model->setItems(QList<CertificateItem *>());
        },
        Qt::UniqueConnection);
    for (int row = 0; row < m_model->rowCount(); ++row)
        addRow(row);
    updateInstallButton();
    return true;
}

CertificateFile *CertificateFileWidget::file() const
{
    return m_file;
}

void CertificateFileWidget::clearRows()
{
    while (m_rows->count() > 0) {
        QGraphicsLayoutItem *row = m_rows->itemAt(0);
        m_rows->removeAt(0);
        // Rows may be in the middle of their own click: delete them later.
        if (auto *widget = dynamic_cast<QGraphicsWidget *>(row)) {
            widget->hide();
            widget->deleteLater();
        } else {
            delete row;
        }
    }
    m_picked.clear();
    updateInstallButton();
}

void CertificateFileWidget::addRow(int row)
{
    const QModelIndex at = m_model->index(row, 0);
    auto *container = new QGraphicsWidget;
    auto *line = new QGraphicsLinearLayout(Qt::Horizontal, container);
    line->setContentsMargins(8, 4, 8, 4);

    auto *texts = new QGraphicsLinearLayout(Qt::Vertical);
    auto *pick = new ZelvoButton(at.data(Qt::DisplayRole).toString());
    pick->setViewType(ZelvoButton::CheckboxType);
    pick->setObjectName(QStringLiteral("pick_%1").arg(row));
    pick->setProperty(rowProperty, row);
    auto *subtitle = new ZelvoLabel;
    subtitle->setTextFormat(Qt::PlainText);
    subtitle->setWordWrap(true);
    subtitle->setText(at.data(Qt::ToolTipRole).toString());
    auto *indent = new QGraphicsLinearLayout(Qt::Vertical);
    indent->setContentsMargins(20, 0, 0, 8); // under the name, not under the card's edge
    indent->addItem(subtitle);
    texts->addItem(pick);
    texts->addItem(indent);

    auto *details = new ZelvoButton(uiText("lgd_certman_details", "Details"));
    details->setObjectName(QStringLiteral("details_%1").arg(row));
    details->setProperty(rowProperty, row);

    line->addItem(texts);
    line->setStretchFactor(texts, 1);
    line->addItem(details);
    line->setAlignment(details, Qt::AlignVCenter);
    m_rows->addItem(container);

    connect(pick, &ZelvoButton::toggled, this, &CertificateFileWidget::pickToggled);
    connect(details, &ZelvoButton::clicked, this, &CertificateFileWidget::detailsClicked);
}

void CertificateFileWidget::pickToggled(bool picked)
{
    const int row = sender()->property(rowProperty).toInt();
    m_picked.removeAll(row);
    if (picked)
        m_picked << row;
    updateInstallButton();
}

void CertificateFileWidget::detailsClicked()
{
    const int row = sender()->property(rowProperty).toInt();
    emit certificateSelected(m_model->index(row, 0));
}

QModelIndexList CertificateFileWidget::pickedIndexes() const
{
    QModelIndexList indexes;
    for (int row : m_picked)
        indexes << m_model->index(row, 0);
    return indexes;
}

void CertificateFileWidget::installClicked()
{
    if (!m_picked.isEmpty())
        emit installCertificates(pickedIndexes());
}

void CertificateFileWidget::updateInstallButton()
{
    // Nothing to install until something is picked.
    m_install->setEnabled(!m_picked.isEmpty());
}

QModelIndex CertificateFileWidget::index(CertificateItem *item) const
{
    return m_model->indexOf(item);
}
