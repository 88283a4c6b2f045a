#include "certificatepassworddialog.h"

#include "uitext.h"

#include <zelvobutton.h>
#include <zelvolabel.h>
#include <zelvotextedit.h>

#include <QGraphicsLinearLayout>

namespace {

QString bodyText(int type, int labelType, const QString &name)
{
    if (type == CertificatePasswordDialog::Confirmation)
        return uiText("lgd_certman_pwd_confirm_text", "A program asks for the private key of %1. Allow it?").arg(name);
    if (type == CertificatePasswordDialog::NewPassword)
        return uiText("lgd_certman_pwd_new_text", "Choose a password for the private key of %1.").arg(name);
    if (type == CertificatePasswordDialog::ChangePassword)
        return uiText("lgd_certman_pwd_change_text", "Change the password of the private key of %1.").arg(name);
    if (labelType == CertificatePasswordDialog::ProtectedLabel)
        return uiText("lgd_certman_pwd_protected_text", "%1 is protected by a password. Enter the password to open it.")
            .arg(name);
    return uiText("lgd_certman_pwd_current_text", "Enter the password of the private key of %1.").arg(name);
}

QString titleText(int type)
{
    if (type == CertificatePasswordDialog::Confirmation)
        return uiText("lgd_certman_pwd_confirm_title", "Private key requested");
    return uiText("lgd_certman_pwd_title", "Password");
}

} // namespace

CertificatePasswordDialog::CertificatePasswordDialog(int type, const QString &name, int labelType,
                                                     QGraphicsItem *parent)
    : ZelvoDialog(parent)
    , m_type(type >= Confirmation && type <= ChangePassword ? type : Confirmation)
    , m_layout(nullptr)
    , m_notice(nullptr)
    , m_current(nullptr)
    , m_new(nullptr)
    , m_confirm(nullptr)
{
    setObjectName(QStringLiteral("certificatePasswordDialog"));
    build(name, labelType == ProtectedLabel ? ProtectedLabel : KeyLabel);
}

CertificatePasswordDialog::~CertificatePasswordDialog() = default;

void CertificatePasswordDialog::build(const QString &name, int labelType)
{
    setTitle(titleText(m_type));
    QGraphicsWidget *central = new QGraphicsWidget;
    m_layout = new QGraphicsLinearLayout(Qt::Vertical, central);
    m_layout->setContentsMargins(0, 0, 0, 0);

    auto *body = new ZelvoLabel(bodyText(m_type, labelType, name));
    body->setObjectName(QStringLiteral("passwordDialogText"));
    body->setStyleName(QStringLiteral("CommonBodyTextInverted"));
    body->setWordWrap(true);
    m_layout->addItem(body);

    if (m_type == CurrentPassword || m_type == ChangePassword)
        m_current = addField("currentPasswordField", "lgd_certman_pwd_current_prompt", "Current password");
    if (m_type == NewPassword || m_type == ChangePassword) {
        m_new = addField("newPasswordField", "lgd_certman_pwd_new_prompt", "New password");
        m_confirm = addField("confirmPasswordField", "lgd_certman_pwd_confirm_prompt", "New password again");
    }
    setCentralWidget(central);

    const bool question = m_type == Confirmation;
    ZelvoButton *accept =
        addButton(question ? uiText("lgd_certman_pwd_allow", "Allow") : uiText("lgd_certman_pwd_ok", "OK"),
                  QMessageBox::AcceptRole);
    accept->setObjectName(QStringLiteral("acceptButton"));
    ZelvoButton *cancel =
        addButton(question ? uiText("lgd_certman_pwd_deny", "Deny") : uiText("lgd_certman_cancel", "Cancel"),
                  QMessageBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelButton"));
}

ZelvoTextEdit *CertificatePasswordDialog::addField(const char *objectName, const char *promptId, const char *fallback)
{
    auto *field = new ZelvoTextEdit;
    field->setObjectName(QString::fromLatin1(objectName));
    field->setEchoMode(ZelvoTextEdit::Password);
    field->setPrompt(uiText(promptId, fallback));
    m_layout->addItem(field);
    return field;
}

int CertificatePasswordDialog::dialogType() const
{
    return m_type;
}

int CertificatePasswordDialog::exec()
{
    return ZelvoDialog::exec();
}

QString CertificatePasswordDialog::password() const
{
    return m_current ? m_current->text() : QString();
}

QString CertificatePasswordDialog::changedPassword() const
{
    if (!m_new || m_new->text().isEmpty())
        return QString();
    return m_new->text();
}

void CertificatePasswordDialog::wrongPassword()
{
    showNotice(uiText("lgd_certman_incorrectpassword", "Incorrect password"));
    if (m_current)
        m_current->clear();
    else if (m_new) {
        m_new->clear();
        m_confirm->clear();
    }
}

bool CertificatePasswordDialog::newPasswordsMatch() const
{
    return !m_new || m_new->text() == m_confirm->text();
}

void CertificatePasswordDialog::done(int result)
{
    // A mistyped new password is caught here, while the dialog is still up:
    // the user types both again instead of storing a key under a typo.
    if (result == Accepted && !newPasswordsMatch()) {
        showNotice(uiText("lgd_certman_pwd_mismatch", "The passwords do not match"));
        m_new->clear();
        m_confirm->clear();
        return;
    }
    ZelvoDialog::done(result);
}

void CertificatePasswordDialog::showNotice(const QString &text)
{
    if (!m_notice) {
        m_notice = new ZelvoLabel;
        m_notice->setObjectName(QStringLiteral("passwordNotice"));
        m_notice->setStyleName(QStringLiteral("CommonBodyTextInverted"));
        m_notice->setWordWrap(true);
        m_layout->insertItem(1, m_notice);
    }
    m_notice->setText(text);
}
