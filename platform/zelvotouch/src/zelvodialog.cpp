#include "zelvodialog.h"

#include "platformlog.h"
#include "zelvoapplication.h"
#include "zelvoapplicationwindow.h"
#include "zelvobutton.h"
#include "zelvoeventwatcher.h"
#include "zelvolabel.h"
#include "zelvostandardbuttons.h"

#include <QEventLoop>
#include <QGraphicsLinearLayout>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>

#include <memory>

namespace {
const qreal panelMaximumWidth = 440;
const qreal windowMargin = 20;
} // namespace

ZelvoDialog::ZelvoDialog(QGraphicsItem *parent)
    : ZelvoSceneWindow(parent)
    , m_panel(new ZelvoStylableWidget(this))
    , m_titleLabel(new ZelvoLabel)
    , m_central(nullptr)
    , m_buttonBox(new QGraphicsWidget)
    , m_clicked(nullptr)
    , m_result(Rejected)
    , m_loop(nullptr)
{
    static_cast<ZelvoStylableWidget *>(m_panel)->setStyleName(QStringLiteral("DialogPanel"));
    m_panel->setProperty("zelvoInternal", true);
    m_titleLabel->setStyleName(QStringLiteral("DialogTitle"));
    m_titleLabel->setObjectName(QStringLiteral("dialogTitle"));
    m_titleLabel->setWordWrap(true);

    auto *buttonLayout = new QGraphicsLinearLayout(Qt::Vertical);
    buttonLayout->setContentsMargins(0, 0, 0, 0);
    buttonLayout->setSpacing(8);
    m_buttonBox->setLayout(buttonLayout);

    auto *layout = new QGraphicsLinearLayout(Qt::Vertical);
    layout->setSpacing(12);
    layout->addItem(m_buttonBox);
    m_panel->setLayout(layout);

    // The panel's content decides its height; follow it when it changes.
    auto *watcher = new ZelvoEventWatcher(
        { QEvent::LayoutRequest },
        [this](QObject *, QEvent *) { QTimer::singleShot(0, this, &ZelvoDialog::placePanel); }, this);
    watcher->watch(m_panel);
    setAcceptedMouseButtons(Qt::LeftButton);
}

ZelvoDialog::ZelvoDialog(const QString &title, QMessageBox::StandardButtons buttons)
    : ZelvoDialog()
{
    setTitle(title);
    setStandardButtons(buttons);
}

ZelvoDialog::~ZelvoDialog()
{
    if (m_loop)
        m_loop->exit(Rejected);
    if (!m_titleLabel->parentItem())
        delete m_titleLabel;
}

void ZelvoDialog::setTitle(const QString &title)
{
    auto *layout = static_cast<QGraphicsLinearLayout *>(m_panel->layout());
    m_titleLabel->setText(title);
    bool shown = false;
    for (int i = 0; i < layout->count(); ++i)
        shown = shown || layout->itemAt(i) == m_titleLabel;
    if (!title.isEmpty() && !shown) {
        layout->insertItem(0, m_titleLabel);
        m_titleLabel->setVisible(true);
    } else if (title.isEmpty() && shown) {
        layout->removeItem(m_titleLabel);
        m_titleLabel->setVisible(false);
    }
}

QString ZelvoDialog::title() const
{
    return m_titleLabel->text();
}

void ZelvoDialog::setCentralWidget(QGraphicsWidget *widget)
{
    if (widget == m_central)
        return;
    auto *layout = static_cast<QGraphicsLinearLayout *>(m_panel->layout());
    if (m_central) {
        layout->removeItem(m_central);
        delete m_central;
    }
    m_central = widget;
    if (widget) {
        int index = 0;
        for (int i = 0; i < layout->count(); ++i) {
            if (layout->itemAt(i) == m_titleLabel)
                index = i + 1;
        }
        layout->insertItem(index, widget);
        widget->setVisible(true);
    }
}

QGraphicsWidget *ZelvoDialog::centralWidget()
{
    if (!m_central)
        setCentralWidget(new QGraphicsWidget);
    return m_central;
}

void ZelvoDialog::setStandardButtons(QMessageBox::StandardButtons buttons)
{
    // Replace the standard buttons; buttons added with a text stay.
    for (int i = m_buttons.size() - 1; i >= 0; --i) {
        if (m_buttonCodes.at(i) != 0) {
            ZelvoButton *b = m_buttons.takeAt(i);
            m_buttonCodes.removeAt(i);
            m_buttonRoles.removeAt(i);
            if (m_clicked == b)
                m_clicked = nullptr;
            delete b;
        }
    }
    for (const ZelvoStandardButtons::Info &info : ZelvoStandardButtons::all()) {
        if (buttons & info.button)
            addButton(info.button);
    }
    arrangeButtons();
}

QMessageBox::StandardButtons ZelvoDialog::standardButtons() const
{
    QMessageBox::StandardButtons result;
    for (int code : m_buttonCodes)
        result |= QMessageBox::StandardButton(code);
    return result;
}

ZelvoButton *ZelvoDialog::addButton(QMessageBox::StandardButton button)
{
    const ZelvoStandardButtons::Info *info = ZelvoStandardButtons::find(button);
    if (!info) {
        PLATFORM_LOG_ERROR("Unknown standard button 0x%x", unsigned(button));
        return nullptr;
    }
    if (ZelvoButton *existing = this->button(button))
        return existing;
    return addButton(ZelvoStandardButtons::text(button), info->role, int(button),
                     QString::fromLatin1(info->objectName));
}

ZelvoButton *ZelvoDialog::addButton(const QString &text, QMessageBox::ButtonRole role)
{
    return addButton(text, role, 0, QString());
}

ZelvoButton *ZelvoDialog::addButton(const QString &text, QMessageBox::ButtonRole role, int standardCode,
                                    const QString &objectName)
{
    auto *b = new ZelvoButton(text);
    if (!objectName.isEmpty())
        b->setObjectName(objectName);
    b->setStyleName(ZelvoStandardButtons::isAcceptRole(role) ? QStringLiteral("DialogAcceptButton")
                                                             : QStringLiteral("DialogButton"));
    connect(b, &ZelvoButton::clicked, this, &ZelvoDialog::buttonWasClicked);
    m_buttons << b;
    m_buttonCodes << standardCode;
    m_buttonRoles << int(role);
    arrangeButtons();
    return b;
}

void ZelvoDialog::arrangeButtons()
{
    auto *layout = static_cast<QGraphicsLinearLayout *>(m_buttonBox->layout());
    while (layout->count() > 0)
        layout->removeAt(0);
    for (ZelvoButton *b : m_buttons) {
        layout->addItem(b);
        b->setVisible(true);
    }
    m_buttonBox->setVisible(!m_buttons.isEmpty());
}

ZelvoButton *ZelvoDialog::button(QMessageBox::StandardButton which) const
{
    const int i = m_buttonCodes.indexOf(int(which));
    return i >= 0 && which != QMessageBox::NoButton ? m_buttons.at(i) : nullptr;
}

QMessageBox::StandardButton ZelvoDialog::standardButton(ZelvoButton *button) const
{
    const int i = m_buttons.indexOf(button);
    return i >= 0 ? QMessageBox::StandardButton(m_buttonCodes.at(i)) : QMessageBox::NoButton;
}

QMessageBox::ButtonRole ZelvoDialog::buttonRole(ZelvoButton *button) const
{
    const int i = m_buttons.indexOf(button);
    return i >= 0 ? QMessageBox::ButtonRole(m_buttonRoles.at(i)) : QMessageBox::InvalidRole;
}

QList<ZelvoButton *> ZelvoDialog::buttons() const
{
    return m_buttons;
}

ZelvoButton *ZelvoDialog::clickedButton() const
{
    return m_clicked;
}

static void releaseMouseGrab(ZelvoApplicationWindow *window)
{
    QGraphicsScene *scene = window->scene();
    while (QGraphicsItem *grabber = scene ? scene->mouseGrabberItem() : nullptr)
        grabber->ungrabMouse();
}

int ZelvoDialog::exec(ZelvoApplicationWindow *window)
{
    if (m_loop) {
        PLATFORM_LOG_ERROR("A dialog was run while it was already running");
        return Rejected;
    }
    std::unique_ptr<ZelvoApplicationWindow> ownWindow;
    if (!window)
        window = ZelvoApplication::activeWindow();
    if (!window) {
        // A question must be seen: without an application window, make one.
        ownWindow.reset(new ZelvoApplicationWindow);
        window = ownWindow.get();
    }
    QPointer<ZelvoApplicationWindow> windowGuard(window);
    const bool wasHidden = !window->isVisible();
    if (wasHidden)
        window->show();

    // A dialog is often raised from a tap's release handler, while the tapped
    // widget still holds the mouse grab; as long as it does, every tap on the
    // dialog would go to that widget. A modal dialog takes the input.
    releaseMouseGrab(window);

    QPointer<ZelvoDialog> guard(this);
    QEventLoop loop;
    m_loop = &loop;
    m_result = Rejected;
    m_clicked = nullptr;
    appear(window, KeepWhenDone);
    loop.exec();
    if (!guard)
        return Rejected;
    m_loop = nullptr;
    disappear();
    if (wasHidden && windowGuard && !ownWindow)
        windowGuard->hide();
    return m_result;
}

bool ZelvoDialog::isRunning() const
{
    return m_loop != nullptr;
}

int ZelvoDialog::result() const
{
    return m_result;
}

void ZelvoDialog::setResult(int result)
{
    m_result = result;
}

void ZelvoDialog::done(int result)
{
    finish(result, result != Rejected);
}

void ZelvoDialog::finish(int result, bool wasAccepted)
{
    QPointer<ZelvoDialog> guard(this);
    m_result = result;
    // Off display at once, even when a later nested wait keeps exec() from
    // returning until that wait is over.
    disappear();
    if (m_loop)
        m_loop->exit(result);
    emit finished(result);
    if (!guard)
        return;
    if (wasAccepted)
        emit accepted();
    else
        emit rejected();
}

void ZelvoDialog::accept()
{
    done(Accepted);
}

void ZelvoDialog::reject()
{
    done(Rejected);
}

void ZelvoDialog::buttonWasClicked()
{
    auto *b = qobject_cast<ZelvoButton *>(sender());
    if (!b || !m_buttons.contains(b))
        return;
    m_clicked = b;
    QPointer<ZelvoDialog> guard(this);
    emit buttonClicked(b);
    if (guard)
        answer(b);
}

void ZelvoDialog::answer(ZelvoButton *button)
{
    const QMessageBox::ButtonRole role = buttonRole(button);
    if (ZelvoStandardButtons::isAcceptRole(role))
        accept();
    else if (ZelvoStandardButtons::isRejectRole(role))
        reject();
}

ZelvoSceneWindow::Layer ZelvoDialog::layer() const
{
    return DialogLayer;
}

QGraphicsWidget *ZelvoDialog::panel() const
{
    return m_panel;
}

void ZelvoDialog::placePanel()
{
    const QSizeF area = size();
    if (area.isEmpty())
        return;
    const qreal width = qMin(panelMaximumWidth, area.width() - 2 * windowMargin);
    const qreal wanted = m_panel->effectiveSizeHint(Qt::PreferredSize, QSizeF(width, -1)).height();
    const qreal height = qMin(wanted, area.height() - 2 * windowMargin);
    m_panel->setGeometry(QRectF((area.width() - width) / 2, (area.height() - height) / 2, width, height));
}

void ZelvoDialog::resizeEvent(QGraphicsSceneResizeEvent *event)
{
    ZelvoSceneWindow::resizeEvent(event);
    placePanel();
}

void ZelvoDialog::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    Q_UNUSED(option)
    Q_UNUSED(widget)
    // The dimmed window behind the question.
    const QColor dim = style().backgroundColor.alpha() > 0 ? style().backgroundColor : QColor(0, 0, 0, 160);
    painter->fillRect(rect(), dim);
}

void ZelvoDialog::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    // Modal: taps beside the panel go nowhere.
    event->accept();
}
