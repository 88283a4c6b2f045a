#include "certificateitemwidget.h"

#include "certificateitem.h"

#include <zelvolabel.h>

#include <QGraphicsLinearLayout>
#include <QGraphicsSceneMouseEvent>

CertificateItemWidget::CertificateItemWidget(QGraphicsItem *parent)
    : ZelvoStylableWidget(parent)
    , m_item(nullptr)
    , m_name(new ZelvoLabel(this))
    , m_issuer(new ZelvoLabel(this))
    , m_validity(new ZelvoLabel(this))
    , m_down(false)
{
    setStyleName(QStringLiteral("CommonListItemInverted"));
    // Names come from certificates: never taken as markup. The name is shown
    // bold through escaped rich text.
    m_name->setTextFormat(Qt::RichText);
    m_issuer->setTextFormat(Qt::PlainText);
    m_validity->setTextFormat(Qt::PlainText);
    // One line per text, cut with an ellipsis: every row is as high as any
    // other, which lets a list place its rows without measuring each one.
    for (ZelvoLabel *label : { m_name, m_issuer, m_validity }) {
        label->setElideMode(Qt::ElideRight);
        label->setAcceptedMouseButtons(Qt::NoButton);
    }
    auto *layout = new QGraphicsLinearLayout(Qt::Vertical, this);
    layout->addItem(m_name);
    layout->addItem(m_issuer);
    layout->addItem(m_validity);
    setAcceptedMouseButtons(Qt::LeftButton);
}

CertificateItemWidget::~CertificateItemWidget() = default;

void CertificateItemWidget::setCertificate(CertificateItem *item)
{
    m_item = item;
    const QStringList shown = item ? item->attribute(CertificateItem::DisplayStrings).toStringList() : QStringList();
    m_text = shown.value(0);
    m_name->setText(m_text.isEmpty() ? QString() : QStringLiteral("<b>%1</b>").arg(m_text.toHtmlEscaped()));
    m_issuer->setText(shown.value(1));
    m_validity->setText(shown.value(2));
    updateGeometry();
}

CertificateItem *CertificateItemWidget::certificate() const
{
    return m_item;
}

QString CertificateItemWidget::text() const
{
    return m_text;
}

void CertificateItemWidget::click()
{
    emit clicked();
    if (m_item)
        emit clickedWithCI(m_item);
}

void CertificateItemWidget::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    m_down = true;
    update();
    event->accept();
}

void CertificateItemWidget::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    const bool inside = m_down && rect().contains(event->pos());
    m_down = false;
    update();
    if (inside)
        click();
}

void CertificateItemWidget::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    paintBackground(painter, m_down);
}
