#include "zelvotextedit.h"

#include <QFontMetricsF>
#include <QGraphicsSceneMouseEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPainter>

namespace {
const QChar passwordDot(0x25cf);
}

ZelvoTextEdit::ZelvoTextEdit(QGraphicsItem *parent)
    : ZelvoTextEdit(QString(), parent)
{
}

ZelvoTextEdit::ZelvoTextEdit(const QString &text, QGraphicsItem *parent)
    : ZelvoStylableWidget(parent)
    , m_text(text)
    , m_echoMode(Normal)
    , m_maxLength(32767)
    , m_readOnly(false)
{
    setFlag(ItemIsFocusable, true);
    setFlag(ItemAcceptsInputMethod, true);
    setFocusPolicy(Qt::StrongFocus);
    setAcceptedMouseButtons(Qt::LeftButton);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

ZelvoTextEdit::~ZelvoTextEdit() = default;

QString ZelvoTextEdit::text() const
{
    return m_text;
}

QString ZelvoTextEdit::displayText() const
{
    switch (m_echoMode) {
    case Password:
        return QString(m_text.size(), passwordDot);
    case NoEcho:
        return QString();
    case Normal:
        break;
    }
    return m_text;
}

void ZelvoTextEdit::setText(const QString &text)
{
    const QString bounded = text.left(m_maxLength);
    if (bounded == m_text)
        return;
    m_text = bounded;
    update();
    emit textChanged(m_text);
}

void ZelvoTextEdit::clear()
{
    setText(QString());
}

void ZelvoTextEdit::setPrompt(const QString &prompt)
{
    m_prompt = prompt;
    update();
}

QString ZelvoTextEdit::prompt() const
{
    return m_prompt;
}

void ZelvoTextEdit::setEchoMode(EchoMode mode)
{
    m_echoMode = mode;
    setInputMethodHints(mode == Normal ? Qt::ImhNone
                                       : Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText);
    update();
}

ZelvoTextEdit::EchoMode ZelvoTextEdit::echoMode() const
{
    return m_echoMode;
}

void ZelvoTextEdit::setMaxLength(int length)
{
    m_maxLength = qMax(0, length);
    if (m_text.size() > m_maxLength)
        setText(m_text.left(m_maxLength));
}

int ZelvoTextEdit::maxLength() const
{
    return m_maxLength;
}

void ZelvoTextEdit::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
}

bool ZelvoTextEdit::isReadOnly() const
{
    return m_readOnly;
}

QSizeF ZelvoTextEdit::contentSizeHint(Qt::SizeHint which, qreal contentWidth) const
{
    Q_UNUSED(contentWidth)
    const QFontMetricsF metrics(style().font());
    return QSizeF(which == Qt::MinimumSize ? 60 : 240, metrics.height());
}

void ZelvoTextEdit::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        event->ignore();
        return;
    }
    event->accept();
}

void ZelvoTextEdit::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    if (rect().contains(event->pos()))
        setFocus(Qt::MouseFocusReason);
}

void ZelvoTextEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit returnPressed();
        return;
    }
    if (m_readOnly) {
        event->ignore();
        return;
    }
    if (event->key() == Qt::Key_Backspace) {
        if (!m_text.isEmpty())
            setText(m_text.left(m_text.size() - 1));
        return;
    }
    const QString typed = event->text();
    if (!typed.isEmpty() && typed.at(0).isPrint()) {
        setText(m_text + typed);
        return;
    }
    event->ignore();
}

void ZelvoTextEdit::inputMethodEvent(QInputMethodEvent *event)
{
    if (!m_readOnly && !event->commitString().isEmpty())
        setText(m_text + event->commitString());
    event->accept();
}

QVariant ZelvoTextEdit::inputMethodQuery(Qt::InputMethodQuery query) const
{
    switch (query) {
    case Qt::ImSurroundingText:
        return m_echoMode == Normal ? m_text : QString();
    case Qt::ImCursorPosition:
        return m_text.size();
    case Qt::ImHints:
        return int(inputMethodHints());
    default:
        return ZelvoStylableWidget::inputMethodQuery(query);
    }
}

void ZelvoTextEdit::focusInEvent(QFocusEvent *event)
{
    ZelvoStylableWidget::focusInEvent(event);
    update();
}

void ZelvoTextEdit::focusOutEvent(QFocusEvent *event)
{
    ZelvoStylableWidget::focusOutEvent(event);
    update();
}

void ZelvoTextEdit::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    Q_UNUSED(option)
    Q_UNUSED(widget)
    const ZelvoStyle &s = style();
    paintBackground(painter, false, hasFocus());
    const QRectF area = contentRect();
    painter->save();
    painter->setFont(s.font());
    const QFontMetricsF metrics(s.font());
    const QString shown = displayText();
    if (shown.isEmpty() && !m_prompt.isEmpty()) {
        painter->setPen(s.secondaryTextColor);
        painter->drawText(area, int(Qt::AlignLeft | Qt::AlignVCenter),
                          metrics.elidedText(m_prompt, Qt::ElideRight, area.width()));
    } else {
        painter->setPen(isEnabled() ? s.textColor : s.disabledTextColor);
        // Keep the end of a long text in view, where typing happens.
        const QString visible = metrics.elidedText(shown, Qt::ElideLeft, area.width());
        painter->drawText(area, int(Qt::AlignLeft | Qt::AlignVCenter), visible);
    }
    if (hasFocus()) {
        const qreal x = area.left()
            + qMin(area.width() - 2,
                   metrics.horizontalAdvance(metrics.elidedText(shown, Qt::ElideLeft, area.width())) + 1);
        painter->fillRect(QRectF(x, area.top() + 2, 2, area.height() - 4), s.accentColor);
    }
    painter->restore();
}
