#define TK_LOG_SOURCE "trustpanel"
#include "preferencemove.h"

#include "keypasswordprompts.h"
#include "log.h"

#include <bastra_certman.h>
#include <certificateitem.h>

#include <cerrno>

namespace {

// Indexed by the authorization preference; the last row ends the table.
struct PreferenceRow {
    const char *labelId;
    const char *automaticPassword;
};
const PreferenceRow preferenceTable[] = { { "lgd_certman_noaction", "vexmordulans1" },
                                          { "lgd_certman_notifyonly", "vexmordulans2" },
                                          { "lgd_certman_passwordprompt", nullptr },
                                          { nullptr, nullptr } };
const int preferenceCount = 3;

QString passwordOf(int preference)
{
    const char *password = PreferenceMove::automaticPassword(preference);
    return password ? QString::fromLatin1(password) : QString();
}

} // namespace

const char PreferenceMove::storingFailed[] = "Storing key failed";
const char PreferenceMove::retrievingFailed[] = "Retrieving key failed";
const char PreferenceMove::incorrectPassword[] = "lgd_certman_incorrectpassword";

const char *PreferenceMove::automaticPassword(int preference)
{
    if (preference < 0 || preference >= preferenceCount)
        return nullptr;
    return preferenceTable[preference].automaticPassword;
}

PreferenceMove::PreferenceMove(KeyPasswordPrompts &prompts)
    : m_prompts(prompts)
{
}

bool PreferenceMove::run(CertificateItem &item, int preference)
{
    // The slot is reachable by name from outside the applet: a preference
    // outside the table would otherwise read past it.
    if (preference < 0 || preference >= preferenceCount || item.authPreference >= preferenceCount) {
        TK_LOG_ERROR("%s: no such preference (%d to %d)", "preferenceChanged", item.authPreference, preference);
        return false;
    }
    return item.authPreference < 0 ? storeFirst(item, preference) : restore(item, preference);
}

static bool parseKeyId(const CertificateItem &item, bastra_key_id &keyId)
{
    // An unparsed id would name some other key in the store.
    if (bastra_certman_str_to_key_id(item.keyId.toUtf8().constData(), &keyId) == 0)
        return true;
    TK_LOG_ERROR("%s: not a key id: '%s'", "preferenceChanged", qPrintable(item.keyId));
    return false;
}

bool PreferenceMove::storeFirst(CertificateItem &item, int preference)
{
    bastra_key_id keyId;
    if (!parseKeyId(item, keyId))
        return false;
    QString fresh = passwordOf(preference);
    if (fresh.isEmpty()) {
        if (!m_prompts.askNewPassword(fresh) || fresh.isNull())
            return false;
    }
    const int result = bastra_certman_store_key(&keyId, item.privateKey, fresh.toUtf8().constData());
    if (result != 0) {
        TK_LOG_ERROR("%s: storing key failed (%d)", "preferenceChanged", result);
        m_prompts.showBanner(QString::fromLatin1(storingFailed));
        return false;
    }
    item.authPreference = preference;
    return true;
}

bool PreferenceMove::restore(CertificateItem &item, int preference)
{
    bastra_key_id keyId;
    if (!parseKeyId(item, keyId))
        return false;
    const bool userPassword = automaticPassword(item.authPreference) == nullptr;
    QString oldPassword = passwordOf(item.authPreference);
    QString newPassword = passwordOf(preference);
    for (;;) {
        if (!askFor(oldPassword, newPassword))
            return false;
        EVP_PKEY *key = nullptr;
        const int result = bastra_certman_retrieve_key(&keyId, &key, oldPassword.toUtf8().constData());
        if (result == 0) {
            const int stored = bastra_certman_store_key(&keyId, key, newPassword.toUtf8().constData());
            EVP_PKEY_free(key);
            if (stored != 0) {
                m_prompts.showBanner(QString::fromLatin1(storingFailed));
                return false;
            }
            item.authPreference = preference;
            return true;
        }
        // Only a wrong password is worth asking again for; a key that is
        // missing or damaged stays so however often the user types.
        if (userPassword && result == EACCES) {
            oldPassword = QString();
            newPassword = passwordOf(preference);
            m_prompts.showBanner(QString::fromLatin1(incorrectPassword));
            continue;
        }
        if (userPassword)
            TK_LOG_ERROR("%s: retrieving key failed (%d)", "preferenceChanged", result);
        m_prompts.showBanner(QString::fromLatin1(retrievingFailed));
        return false;
    }
}

// Asks for whichever of the two passwords is still missing; false when the
// user cancelled.
bool PreferenceMove::askFor(QString &oldPassword, QString &newPassword)
{
    for (;;) {
        if (oldPassword.isEmpty() && !newPassword.isEmpty())
            return m_prompts.askCurrentPassword(oldPassword);
        if (!newPassword.isEmpty())
            return true;
        const bool asked = oldPassword.isEmpty() ? m_prompts.askPasswordChange(oldPassword, newPassword)
                                                 : m_prompts.askNewPassword(newPassword);
        if (!asked)
            return false;
        if (!newPassword.isNull())
            return true;
    }
}
