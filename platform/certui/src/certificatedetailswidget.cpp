#include "certificatedetailswidget.h"

#include "certificatefacts.h"
#include "certificateitem.h"
#include "certificateitemwidget.h"
#include "issuerchain.h"
#include "purposelist.h"
#include "uitext.h"

#include <zelvolabel.h>
#include <zelvoseparator.h>

#include <QGraphicsLinearLayout>
#include <QLocale>

namespace {

QString dateTimeText(const QDateTime &when)
{
    if (!when.isValid())
        return uiText("lgd_certman_details_unknown", "Unknown");
    return QLocale().toString(when.toLocalTime(), QLocale::ShortFormat);
}

QString purposesText(const QStringList &purposes)
{
    QStringList names;
    for (const Purpose &purpose : purposeList)
        if (purposes.contains(QString::fromLatin1(purpose.prefix)))
            names << uiText(purpose.labelId, purpose.fallback);
    if (names.isEmpty())
        return uiText("lgd_certman_details_none", "None");
    return names.join(QStringLiteral(", "));
}

ZelvoLabel *plainLabel(const QString &text, const char *styleName)
{
    auto *label = new ZelvoLabel;
    label->setTextFormat(Qt::PlainText); // certificate texts are never markup
    label->setWordWrap(true);
    label->setText(text);
    label->setStyleName(QString::fromLatin1(styleName));
    return label;
}

} // namespace

CertificateDetailsWidget::CertificateDetailsWidget(QGraphicsItem *parent)
    : ZelvoStylableWidget(parent)
    , m_item(nullptr)
    , m_content(nullptr)
    , m_layout(nullptr)
{
    setObjectName(QStringLiteral("certificateDetailsWidget"));
    auto *outer = new QGraphicsLinearLayout(Qt::Vertical, this);
    outer->setContentsMargins(0, 0, 0, 0);
}

CertificateDetailsWidget::~CertificateDetailsWidget()
{
    qDeleteAll(m_owned);
}

// The old content goes later, not now: a tap on one of its related
// certificates may be what asked for the new one, and that row is still
// inside its own mouse handling. The store finds it showed go with it,
// except the one about to be shown.
void CertificateDetailsWidget::clear(CertificateItem *keep)
{
    QList<CertificateItem *> leaving = m_owned;
    m_owned.clear();
    if (leaving.removeOne(keep))
        m_owned << keep;
    m_related.clear();
    if (m_content) {
        static_cast<QGraphicsLinearLayout *>(layout())->removeItem(m_content);
        m_content->hide();
        connect(m_content, &QObject::destroyed, [leaving]() { qDeleteAll(leaving); });
        m_content->deleteLater();
    } else {
        qDeleteAll(leaving);
    }
    m_content = new QGraphicsWidget(this);
    m_layout = new QGraphicsLinearLayout(Qt::Vertical, m_content);
    m_layout->setContentsMargins(0, 0, 0, 0);
    static_cast<QGraphicsLinearLayout *>(layout())->addItem(m_content);
}

CertificateItem *CertificateDetailsWidget::certificate() const
{
    return m_item;
}

QList<CertificateItem *> CertificateDetailsWidget::relatedCertificates() const
{
    return m_related;
}

void CertificateDetailsWidget::addSection(const QString &caption, const QString &value, const QString &objectName)
{
    m_layout->addItem(plainLabel(caption, "CommonGroupHeaderInverted"));
    ZelvoLabel *shown = plainLabel(value, "CommonBodyTextInverted");
    shown->setObjectName(objectName);
    m_layout->addItem(shown);
}

void CertificateDetailsWidget::setCertificate(CertificateItem *item)
{
    clear(item);
    m_item = item;
    if (!item || !item->cert) {
        m_layout->addItem(
            plainLabel(uiText("lgd_certman_details_nocertificate", "No certificate"), "CommonEmptyStateTitleInverted"));
        return;
    }
    X509 *cert = item->cert;
    ZelvoLabel *title =
        plainLabel(item->attribute(CertificateItem::DisplayStrings).toStringList().value(0), "CommonHeaderInverted");
    title->setObjectName(QStringLiteral("detailsTitle"));
    m_layout->addItem(title);
    auto *separator = new ZelvoSeparator;
    separator->setStyleName(QStringLiteral("CommonHeaderDividerInverted"));
    m_layout->addItem(separator);

    addSection(uiText("lgd_certman_details_subject", "Subject"), CertificateFacts::oneLine(X509_get_subject_name(cert)),
               QStringLiteral("detailsSubject"));
    addSection(uiText("lgd_certman_details_issuer", "Issuer"), CertificateFacts::oneLine(X509_get_issuer_name(cert)),
               QStringLiteral("detailsIssuer"));
    addSection(uiText("lgd_certman_details_validfrom", "Valid from"), dateTimeText(item->startDate()),
               QStringLiteral("detailsValidFrom"));
    addSection(uiText("lgd_certman_details_validto", "Valid until"), dateTimeText(item->expireDate()),
               QStringLiteral("detailsValidTo"));
    addSection(uiText("lgd_certman_details_serial", "Serial number"), CertificateFacts::serialNumber(cert),
               QStringLiteral("detailsSerial"));
    addSection(uiText("lgd_certman_details_sha256", "SHA-256 fingerprint"),
               CertificateFacts::fingerprint(cert, EVP_sha256()), QStringLiteral("detailsSha256"));
    addSection(uiText("lgd_certman_details_sha1", "SHA-1 fingerprint"), CertificateFacts::fingerprint(cert, EVP_sha1()),
               QStringLiteral("detailsSha1"));
    addSection(uiText("lgd_certman_details_key", "Public key"), CertificateFacts::keyDescription(cert),
               QStringLiteral("detailsKey"));
    const QStringList usages = CertificateFacts::keyUsages(cert);
    addSection(uiText("lgd_certman_details_keyusage", "Key usage"),
               usages.isEmpty() ? uiText("lgd_certman_details_none", "None") : usages.join(QStringLiteral(", ")),
               QStringLiteral("detailsKeyUsage"));
    addSection(uiText("lgd_certman_details_purposes", "Purposes"), purposesText(item->purposes),
               QStringLiteral("detailsPurposes"));
    addRelatedCertificates();
    m_layout->addStretch(1);
}

void CertificateDetailsWidget::addRelatedCertificates()
{
    IssuerChain chain(m_item);
    m_related = chain.issuers();
    m_owned << chain.takeOwnedItems();

    m_layout->addItem(
        plainLabel(uiText("lgd_certman_details_related", "Related certificates"), "CommonGroupHeaderInverted"));
    if (m_related.isEmpty()) {
        ZelvoLabel *none = plainLabel(uiText("lgd_certman_details_norelated", "No related certificates found"),
                                      "CommonBodyTextInverted");
        none->setObjectName(QStringLiteral("detailsNoRelated"));
        m_layout->addItem(none);
        return;
    }
    for (int i = 0; i < m_related.size(); ++i) {
        auto *row = new CertificateItemWidget;
        row->setObjectName(QStringLiteral("relatedCertificate_%1").arg(i));
        row->setCertificate(m_related.at(i));
        connect(row, &CertificateItemWidget::clickedWithCI, this, &CertificateDetailsWidget::certificateSelected);
        m_layout->addItem(row);
    }
}
