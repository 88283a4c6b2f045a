#ifndef TRUSTPANEL_PREFERENCEMOVE_H
#define TRUSTPANEL_PREFERENCEMOVE_H

#include <QString>

class CertificateItem;
class KeyPasswordPrompts;

// Re-stores a certificate's private key in the certificate store under the
// password its new authorization preference calls for: preferences 0 and 1
// have a fixed automatic password, preference 2 one the user chooses.
//
//   From        To       the user is asked
//   0 or 1      0 or 1   nothing
//   0 or 1      2        a new password
//   2           0 or 1   the current password, again after each wrong one
//   2           2        the current and a new password, again after a wrong one
//   not stored  0 or 1   nothing
//   not stored  2        a new password
class PreferenceMove
{
public:
    static const char storingFailed[]; // banner titles, not translated
    static const char retrievingFailed[];
    static const char incorrectPassword[];

    // The automatic password of a preference; null for 2 and for anything
    // outside the table.
    static const char *automaticPassword(int preference);

    explicit PreferenceMove(KeyPasswordPrompts &prompts);

    // True when the key now sits in the store under the password of
    // preference and the item's preference is set to it; false otherwise,
    // with the item's preference as it was.
    bool run(CertificateItem &item, int preference);

private:
    bool storeFirst(CertificateItem &item, int preference);
    bool restore(CertificateItem &item, int preference);
    bool askFor(QString &oldPassword, QString &newPassword);

    KeyPasswordPrompts &m_prompts;
};

#endif
