#ifndef TRUSTPANEL_KEYPASSWORDPROMPTS_H
#define TRUSTPANEL_KEYPASSWORDPROMPTS_H

#include <QString>

// The questions a key move may put to the user, and its notices. The applet
// answers them with password dialogs and banners; each ask returns false
// when the user cancelled.
class KeyPasswordPrompts
{
public:
    virtual ~KeyPasswordPrompts() = default;

    // The password the key is kept under now.
    virtual bool askCurrentPassword(QString &current) = 0;
    // A password to keep the key under; null when none was given.
    virtual bool askNewPassword(QString &fresh) = 0;
    // Both at once; fresh is null when no new one was given.
    virtual bool askPasswordChange(QString &current, QString &fresh) = 0;

    virtual void showBanner(const QString &title) = 0;
};

#endif
