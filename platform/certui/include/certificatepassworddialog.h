#ifndef CERTIFICATEPASSWORDDIALOG_H
#define CERTIFICATEPASSWORDDIALOG_H

#include "bastracertmanui_global.h"

#include <zelvodialog.h>

class QGraphicsLinearLayout;
class ZelvoLabel;
class ZelvoTextEdit;

// The modal question about a private key's password, over the window's top
// page. Its fields and buttons carry the object names "currentPasswordField",
// "newPasswordField", "confirmPasswordField", "acceptButton" and
// "cancelButton", so that automation can drive it.
class BASTRA_CERTMAN_UI_EXPORT CertificatePasswordDialog : public ZelvoDialog
{
    Q_OBJECT

public:
    enum Type {
        Confirmation = 0, // may the key be handed out? accept or decline
        CurrentPassword = 1, // the password that protects the key or file
        NewPassword = 2, // a password to choose, entered twice
        ChangePassword = 3 // the current password, then a new one twice
    };
    enum LabelType {
        KeyLabel = 0, // the text speaks of the private key of the certificate
        ProtectedLabel = 1 // the text asks to open something protected by a password
    };

    // type and labelType take the values above; unknown values act as
    // Confirmation and KeyLabel. name is the certificate's (or file's) name.
    CertificatePasswordDialog(int type, const QString &name, int labelType = KeyLabel, QGraphicsItem *parent = nullptr);
    ~CertificatePasswordDialog() override;

    int dialogType() const;

    // Shows the dialog and waits; non-zero when the user accepted. A new
    // password is accepted only when both of its fields match. Can be run
    // again, e.g. after wrongPassword().
    int exec();

    // The (current) password entered.
    QString password() const;
    // The new password; a null string when none was given.
    QString changedPassword() const;

    // Tells the user that the password just given was wrong: a notice shows
    // and the password field is cleared, ready for the next exec().
    void wrongPassword();

public slots:
    void done(int result) override;

private:
    void build(const QString &name, int labelType);
    ZelvoTextEdit *addField(const char *objectName, const char *promptId, const char *fallback);
    void showNotice(const QString &text);
    bool newPasswordsMatch() const;

    int m_type;
    QGraphicsLinearLayout *m_layout;
    ZelvoLabel *m_notice;
    ZelvoTextEdit *m_current;
    ZelvoTextEdit *m_new;
    ZelvoTextEdit *m_confirm;
};

#endif
