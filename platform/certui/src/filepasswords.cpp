#include "filepasswords.h"

#include "certificatepassworddialog.h"

#include <QPointer>

namespace FilePasswords {

namespace {

// One dialog for all the questions about one file, so that the notice of a
// wrong password shows in the dialog the user sees next.
class DialogSource : public PasswordSource
{
public:
    explicit DialogSource(const QString &fileName)
        : m_fileName(fileName)
    {
    }
    ~DialogSource() override { delete m_dialog.data(); }

    bool ask(QString &password) override
    {
        if (!m_dialog)
            m_dialog = new CertificatePasswordDialog(CertificatePasswordDialog::CurrentPassword, m_fileName,
                                                     CertificatePasswordDialog::ProtectedLabel);
        if (!m_dialog->exec())
            return false;
        password = m_dialog->password();
        return true;
    }

    void wrong() override
    {
        if (m_dialog)
            m_dialog->wrongPassword();
    }

private:
    QString m_fileName;
    QPointer<CertificatePasswordDialog> m_dialog;
};

} // namespace

std::unique_ptr<PasswordSource> forFile(const QString &fileName)
{
    return std::unique_ptr<PasswordSource>(new DialogSource(fileName));
}

} // namespace FilePasswords
