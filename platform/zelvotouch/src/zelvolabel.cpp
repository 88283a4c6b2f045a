#include "zelvolabel.h"

#include "zelvolocale.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

#include <memory>

namespace {
// Without a width from the layout, a wrapping label assumes a portrait page.
const qreal defaultWrapWidth = 448;
} // namespace

ZelvoLabel::ZelvoLabel(QGraphicsItem *parent)
    : ZelvoLabel(QString(), parent)
{
}

ZelvoLabel::ZelvoLabel(const QString &text, QGraphicsItem *parent)
    : ZelvoStylableWidget(parent)
    , m_text(text)
    , m_alignment(Qt::AlignLeft | Qt::AlignVCenter)
    , m_alignmentSet(false)
    , m_wordWrap(false)
    , m_elideMode(Qt::ElideNone)
    , m_format(Qt::AutoText)
    , m_document(nullptr)
    , m_documentDirty(true)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

ZelvoLabel::~ZelvoLabel()
{
    delete m_document;
}

void ZelvoLabel::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    m_documentDirty = true;
    updateGeometry();
    update();
}

QString ZelvoLabel::text() const
{
    return m_text;
}

QString ZelvoLabel::displayText() const
{
    rebuildDocument();
    QString plain = m_document->toPlainText();
    plain.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return plain;
}

void ZelvoLabel::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    m_alignmentSet = true;
    m_documentDirty = true;
    update();
}

Qt::Alignment ZelvoLabel::alignment() const
{
    if (m_alignmentSet) {
        // A lone vertical alignment keeps the style's horizontal one and vice versa.
        Qt::Alignment a = m_alignment;
        if (!(a & Qt::AlignHorizontal_Mask))
            a |= style().textAlignment & Qt::AlignHorizontal_Mask;
        if (!(a & Qt::AlignVertical_Mask))
            a |= style().textAlignment & Qt::AlignVertical_Mask;
        return a;
    }
    return style().textAlignment;
}

void ZelvoLabel::setWordWrap(bool wrap)
{
    m_wordWrap = wrap;
    QSizePolicy policy = sizePolicy();
    policy.setHeightForWidth(wrap);
    setSizePolicy(policy);
    m_documentDirty = true;
    updateGeometry();
    update();
}

bool ZelvoLabel::wordWrap() const
{
    return m_wordWrap;
}

void ZelvoLabel::setElideMode(Qt::TextElideMode mode)
{
    if (mode == m_elideMode)
        return;
    m_elideMode = mode;
    updateGeometry();
    update();
}

Qt::TextElideMode ZelvoLabel::elideMode() const
{
    return m_elideMode;
}

bool ZelvoLabel::elides() const
{
    return m_elideMode == Qt::ElideRight && !m_wordWrap;
}

// The document cut where the text passes `width`, with an ellipsis in the cut
// character's format; null when the whole text fits. Only the first line is
// kept: what follows the cut is gone.
QTextDocument *ZelvoLabel::elidedDocument(qreal width) const
{
    m_document->setTextWidth(-1);
    if (m_document->idealWidth() <= width)
        return nullptr;
    const QString ellipsis(QChar(0x2026));
    const qreal ellipsisWidth = QFontMetricsF(m_document->defaultFont()).horizontalAdvance(ellipsis) * 1.5;
    const QPointF cut(qMax<qreal>(0, width - ellipsisWidth), 1);
    int position = m_document->documentLayout()->hitTest(cut, Qt::FuzzyHit);
    for (position = qMax(0, position); position >= 0; --position) {
        QTextDocument *shown = m_document->clone();
        QTextCursor cursor(shown);
        cursor.setPosition(qMin(position, shown->characterCount() - 1));
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        cursor.insertText(ellipsis);
        if (position == 0 || shown->idealWidth() <= width)
            return shown;
        delete shown;
    }
    return nullptr;
}

void ZelvoLabel::setTextFormat(Qt::TextFormat format)
{
    m_format = format;
    m_documentDirty = true;
    updateGeometry();
    update();
}

Qt::TextFormat ZelvoLabel::textFormat() const
{
    return m_format;
}

bool ZelvoLabel::isRich() const
{
    const QString shown = ZelvoLocale::displayText(m_text);
    if (m_format == Qt::RichText)
        return true;
    if (m_format == Qt::PlainText)
        return false;
    return Qt::mightBeRichText(shown);
}

void ZelvoLabel::rebuildDocument() const
{
    if (!m_document)
        m_document = new QTextDocument;
    if (!m_documentDirty)
        return;
    m_documentDirty = false;
    const ZelvoStyle &s = style();
    m_document->setDocumentMargin(0);
    m_document->setDefaultFont(s.font());
    QTextOption option(alignment() & Qt::AlignHorizontal_Mask);
    option.setWrapMode(m_wordWrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    m_document->setDefaultTextOption(option);
    const QString shown = ZelvoLocale::displayText(m_text);
    if (isRich())
        m_document->setHtml(shown);
    else
        m_document->setPlainText(shown);
}

QSizeF ZelvoLabel::contentSizeHint(Qt::SizeHint which, qreal contentWidth) const
{
    rebuildDocument();
    m_document->setTextWidth(-1);
    const QSizeF natural = m_document->size();
    if (!m_wordWrap) {
        if (elides() && which == Qt::MinimumSize)
            return QSizeF(
                qMin(natural.width(), QFontMetricsF(m_document->defaultFont()).horizontalAdvance(QChar(0x2026)) * 1.5),
                natural.height());
        return natural;
    }
    qreal width = contentWidth >= 0 ? contentWidth : qMin(natural.width(), defaultWrapWidth);
    if (which == Qt::MinimumSize && contentWidth < 0)
        width = qMin(natural.width(), defaultWrapWidth);
    m_document->setTextWidth(qMax<qreal>(1, width));
    const QSizeF wrapped(width, m_document->size().height());
    if (which == Qt::MinimumSize && contentWidth < 0)
        return QSizeF(qMin<qreal>(natural.width(), 40), wrapped.height());
    return wrapped;
}

void ZelvoLabel::styleChanged()
{
    m_documentDirty = true;
    ZelvoStylableWidget::styleChanged();
}

void ZelvoLabel::resizeEvent(QGraphicsSceneResizeEvent *event)
{
    ZelvoStylableWidget::resizeEvent(event);
    update();
}

void ZelvoLabel::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    ZelvoStylableWidget::paint(painter, option, widget);
    rebuildDocument();
    const ZelvoStyle &s = style();
    const QRectF area = contentRect();
    std::unique_ptr<QTextDocument> elided(elides() ? elidedDocument(area.width()) : nullptr);
    QTextDocument *shown = elided ? elided.get() : m_document;
    shown->setTextWidth(qMax<qreal>(1, area.width()));
    const qreal height = shown->size().height();
    qreal y = area.top();
    const Qt::Alignment a = alignment();
    if (a & Qt::AlignVCenter)
        y += (area.height() - height) / 2;
    else if (a & Qt::AlignBottom)
        y += area.height() - height;

    painter->save();
    painter->setClipRect(backgroundRect());
    painter->translate(area.left(), y);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, isEnabled() ? s.textColor : s.disabledTextColor);
    shown->documentLayout()->draw(painter, context);
    painter->restore();
}
