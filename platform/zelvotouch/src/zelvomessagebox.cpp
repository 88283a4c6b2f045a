#include "zelvomessagebox.h"

#include "zelvobutton.h"
#include "zelvolabel.h"
#include "zelvostandardbuttons.h"

#include <QGraphicsLinearLayout>

ZelvoMessageBox::ZelvoMessageBox(const QString &text, QMessageBox::StandardButtons buttons)
    : ZelvoMessageBox(QString(), text, buttons)
{
}

ZelvoMessageBox::ZelvoMessageBox(const QString &title, const QString &text, QMessageBox::StandardButtons buttons)
    : ZelvoDialog(title, buttons)
    , m_textLabel(new ZelvoLabel(text))
{
    m_textLabel->setObjectName(QStringLiteral("messageBoxText"));
    m_textLabel->setStyleName(QStringLiteral("MessageBoxText"));
    m_textLabel->setWordWrap(true);
    // Message texts carry certificate names and other outside data: shown as
    // written, never read as markup.
    m_textLabel->setTextFormat(Qt::PlainText);
    setCentralWidget(m_textLabel);
}

ZelvoMessageBox::~ZelvoMessageBox() = default;

void ZelvoMessageBox::setText(const QString &text)
{
    m_textLabel->setText(text);
}

QString ZelvoMessageBox::text() const
{
    return m_textLabel->text();
}

void ZelvoMessageBox::done(int result)
{
    // accept() means the box's accepting button; reject() means no button.
    if (result == Accepted && !ZelvoStandardButtons::find(QMessageBox::StandardButton(result))) {
        for (ZelvoButton *b : buttons()) {
            if (ZelvoStandardButtons::isAcceptRole(buttonRole(b)) && standardButton(b) != QMessageBox::NoButton) {
                result = int(standardButton(b));
                break;
            }
        }
    }
    bool accepted = false;
    if (const ZelvoStandardButtons::Info *info = ZelvoStandardButtons::find(QMessageBox::StandardButton(result)))
        accepted = ZelvoStandardButtons::isAcceptRole(info->role);
    finish(result, accepted);
}

void ZelvoMessageBox::answer(ZelvoButton *button)
{
    const QMessageBox::StandardButton code = standardButton(button);
    if (code != QMessageBox::NoButton) {
        done(int(code));
        return;
    }
    ZelvoDialog::answer(button);
}
