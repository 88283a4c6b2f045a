#include "zelvocombobox.h"

#include "zelvoapplication.h"
#include "zelvoapplicationwindow.h"
#include "zelvocombopopup.h"
#include "zelvolocale.h"

#include <QFontMetricsF>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QPointer>

namespace {

QFont valueFont(const ZelvoStyle &s)
{
    QFont f = s.font();
    f.setPixelSize(qMax(1, s.font().pixelSize() * 4 / 5));
    return f;
}

ZelvoApplicationWindow *windowOf(QGraphicsItem *item)
{
    for (ZelvoApplicationWindow *window : ZelvoApplication::applicationWindows()) {
        if (item->scene() && window->scene() == item->scene())
            return window;
    }
    return ZelvoApplication::activeWindow();
}

} // namespace

ZelvoComboBox::ZelvoComboBox(QGraphicsItem *parent)
    : ZelvoStylableWidget(parent)
    , m_currentIndex(-1)
    , m_down(false)
    , m_popup(nullptr)
{
    setAcceptedMouseButtons(Qt::LeftButton);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

ZelvoComboBox::~ZelvoComboBox()
{
    hidePopup();
}

void ZelvoComboBox::setTitle(const QString &title)
{
    m_title = title;
    updateGeometry();
    update();
}

QString ZelvoComboBox::title() const
{
    return m_title;
}

void ZelvoComboBox::addItem(const QString &text)
{
    insertItem(m_items.size(), text);
}

void ZelvoComboBox::addItems(const QStringList &texts)
{
    for (const QString &t : texts)
        addItem(t);
}

void ZelvoComboBox::insertItem(int index, const QString &text)
{
    index = qBound(0, index, m_items.size());
    m_items.insert(index, text);
    if (m_currentIndex < 0) {
        setCurrentIndex(0);
    } else if (index <= m_currentIndex) {
        ++m_currentIndex;
        emit currentIndexChanged(m_currentIndex);
    }
    update();
}

void ZelvoComboBox::removeItem(int index)
{
    if (index < 0 || index >= m_items.size())
        return;
    m_items.removeAt(index);
    if (m_items.isEmpty()) {
        m_currentIndex = -1;
        emit currentIndexChanged(-1);
    } else if (index < m_currentIndex || m_currentIndex >= m_items.size()) {
        m_currentIndex = qMin(m_currentIndex - (index < m_currentIndex ? 1 : 0), m_items.size() - 1);
        emit currentIndexChanged(m_currentIndex);
    } else if (index == m_currentIndex) {
        emit currentIndexChanged(m_currentIndex);
    }
    update();
}

void ZelvoComboBox::clear()
{
    m_items.clear();
    if (m_currentIndex != -1) {
        m_currentIndex = -1;
        emit currentIndexChanged(-1);
    }
    update();
}

int ZelvoComboBox::count() const
{
    return m_items.size();
}

QString ZelvoComboBox::itemText(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items.at(index) : QString();
}

QStringList ZelvoComboBox::items() const
{
    return m_items;
}

int ZelvoComboBox::currentIndex() const
{
    return m_currentIndex;
}

QString ZelvoComboBox::currentText() const
{
    return ZelvoLocale::displayText(itemText(m_currentIndex));
}

QGraphicsWidget *ZelvoComboBox::popup() const
{
    return m_popup;
}

void ZelvoComboBox::setCurrentIndex(int index)
{
    if (index < 0 || index >= m_items.size() || index == m_currentIndex)
        return;
    m_currentIndex = index;
    update();
    emit currentIndexChanged(index);
}

void ZelvoComboBox::showPopup()
{
    if (m_popup)
        return;
    ZelvoApplicationWindow *window = windowOf(this);
    if (!window)
        return;
    m_popup = new ZelvoComboPopup(m_title, m_items, m_currentIndex);
    connect(m_popup, &ZelvoComboPopup::chosen, this, &ZelvoComboBox::popupChose);
    QPointer<ZelvoComboBox> guard(this);
    connect(m_popup, &ZelvoSceneWindow::disappeared, this, [this]() { m_popup = nullptr; });
    connect(m_popup, &QObject::destroyed, this, [this]() { m_popup = nullptr; });
    m_popup->appear(window, ZelvoSceneWindow::DestroyWhenDone);
}

void ZelvoComboBox::hidePopup()
{
    if (!m_popup)
        return;
    ZelvoComboPopup *popup = m_popup;
    m_popup = nullptr;
    disconnect(popup, nullptr, this, nullptr);
    popup->disappear();
}

void ZelvoComboBox::popupChose(int index)
{
    setCurrentIndex(index);
    emit activated(index);
}

QSizeF ZelvoComboBox::contentSizeHint(Qt::SizeHint which, qreal contentWidth) const
{
    Q_UNUSED(which)
    Q_UNUSED(contentWidth)
    const ZelvoStyle &s = style();
    const QFontMetricsF title(s.font());
    const QFontMetricsF value(valueFont(s));
    qreal width = title.horizontalAdvance(ZelvoLocale::displayText(m_title));
    for (const QString &item : m_items)
        width = qMax(width, value.horizontalAdvance(ZelvoLocale::displayText(item)));
    return QSizeF(width, title.height() + 2 + value.height());
}

void ZelvoComboBox::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        event->ignore();
        return;
    }
    m_down = true;
    update();
    event->accept();
}

void ZelvoComboBox::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    const bool tapped = m_down && rect().contains(event->pos());
    m_down = false;
    update();
    if (!tapped)
        return;
    QPointer<ZelvoComboBox> guard(this);
    emit clicked();
    if (guard)
        showPopup();
}

void ZelvoComboBox::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    Q_UNUSED(option)
    Q_UNUSED(widget)
    const ZelvoStyle &s = style();
    paintBackground(painter, m_down);
    const QRectF area = contentRect();
    const QFontMetricsF titleMetrics(s.font());
    const QFont second = valueFont(s);
    const QFontMetricsF valueMetrics(second);
    painter->save();
    painter->setFont(s.font());
    painter->setPen(isEnabled() ? s.textColor : s.disabledTextColor);
    painter->drawText(QRectF(area.left(), area.top(), area.width(), titleMetrics.height()),
                      int(Qt::AlignLeft | Qt::AlignVCenter),
                      titleMetrics.elidedText(ZelvoLocale::displayText(m_title), Qt::ElideRight, area.width()));
    painter->setFont(second);
    painter->setPen(s.accentColor);
    painter->drawText(QRectF(area.left(), area.top() + titleMetrics.height() + 2, area.width(), valueMetrics.height()),
                      int(Qt::AlignLeft | Qt::AlignVCenter),
                      valueMetrics.elidedText(currentText(), Qt::ElideRight, area.width()));
    painter->restore();
}
