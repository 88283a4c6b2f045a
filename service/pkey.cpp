#include "pkey.h"

#include <bastra_crypto.h>
#include <certificateitem.h>
#include <certificatepassworddialog.h>
#include <log.h>
#include <logtext.h>
#include <opensslowners.h>
#include <zelvoapplication.h>
#include <zelvoapplicationwindow.h>
#include <zelvobanner.h>

#include <QPointer>

#include <openssl/crypto.h>
#include <openssl/x509.h>

#include <cerrno>
#include <cstring>
#include <memory>

const QString PKey::_IncorrectId = QStringLiteral("");

namespace {

// The store's answer for a password that does not open the key; any other
// failure (no key file, a damaged one) will not go away by asking again.
const int wrongPasswordResult = EACCES;

// The window may take a shown dialog down with it when the program ends
// inside exec(); only a dialog still alive is deleted here.
class PasswordDialog
{
public:
    PasswordDialog(int type, const QString &cn, int labelType)
        : m_dialog(new CertificatePasswordDialog(type, cn, labelType))
    {
    }
    ~PasswordDialog() { delete m_dialog.data(); }
    // False when the user declined, or when the dialog is gone.
    bool exec() { return m_dialog && m_dialog->exec() != 0 && m_dialog; }
    CertificatePasswordDialog *operator->() const { return m_dialog.data(); }

    PasswordDialog(const PasswordDialog &) = delete;
    PasswordDialog &operator=(const PasswordDialog &) = delete;

private:
    QPointer<CertificatePasswordDialog> m_dialog;
};

void showBanner(const QString &title)
{
    auto *banner = new ZelvoBanner;
    banner->setStyleName(QStringLiteral("InformationBanner"));
    banner->setTitle(title);
    ZelvoApplicationWindow *window = ZelvoApplication::activeWindow();
    if (!window) {
        delete banner;
        return;
    }
    banner->appear(window, ZelvoSceneWindow::DestroyWhenDone);
}

// The DER image of a private key; empty when it cannot be encoded.
QByteArray derOf(EVP_PKEY *key)
{
    unsigned char *buffer = nullptr;
    const int length = key ? i2d_PrivateKey(key, &buffer) : 0;
    QByteArray der;
    if (length > 0 && buffer)
        der = QByteArray(reinterpret_cast<const char *>(buffer), length);
    if (buffer) {
        OPENSSL_cleanse(buffer, length > 0 ? size_t(length) : 0);
        OPENSSL_free(buffer);
    }
    return der;
}

} // namespace

PKey::PKey(const QString &id, QObject *parent)
    : QObject(parent)
    , m_id(id)
{
    std::memset(&m_keyId, 0, sizeof m_keyId);
    char canonical[BASTRA_KEY_ID_TEXT_SIZE];
    if (id.contains(QChar(0)) || bastra_certman_str_to_key_id(id.toLatin1().constData(), &m_keyId) != 0
        || bastra_certman_key_id_to_str(&m_keyId, canonical, sizeof canonical) != 0) {
        TK_LOG_ERROR("%s: unable to parse a key id %s", "PKey", TK_LOG_TEXT(id));
        m_id = _IncorrectId;
        return;
    }
    // One spelling (lower case) for every key id in the keys table, however
    // the caller wrote it: otherwise "AB.." and "ab.." would be two records
    // of one key.
    m_id = QString::fromLatin1(canonical);
}

bool PKey::_read(KeyRecord &record)
{
    KeyRecords records;
    switch (records.find(m_id, &record)) {
    case KeyRecords::Found:
        return true;
    case KeyRecords::Missing:
        return false;
    case KeyRecords::Failed:
        break;
    }
    TK_LOG_ERROR("Failed to execute a query to the DB: %s", qUtf8Printable(records.lastError()));
    return false;
}

bool PKey::isInstalled()
{
    if (m_id == _IncorrectId)
        return false;
    KeyRecord record;
    return _read(record);
}

bool PKey::remove()
{
    if (m_id == _IncorrectId)
        return true;
    if (!isInstalled())
        return true;
    return _remove();
}

int PKey::authorizationPreference()
{
    if (m_id == _IncorrectId)
        return 0;
    KeyRecord record;
    if (!_read(record))
        return -1;
    return record.authPreference;
}

bool PKey::_remove()
{
    KeyRecords records;
    if (!records.remove(m_id)) {
        TK_LOG_ERROR("%s: could not remove a key from DB: %s", "_remove", qUtf8Printable(records.lastError()));
        return false;
    }
    return true;
}

bool PKey::_updateDomains(const QStringList &domains)
{
    if (domains.isEmpty())
        return _remove();
    KeyRecords records;
    if (!records.setDomains(m_id, domains)) {
        TK_LOG_ERROR("%s: could not update DB: %s", "_updateDomains", qUtf8Printable(records.lastError()));
        return false;
    }
    return true;
}

bool PKey::updateDomains(const QStringList &domains)
{
    if (isInstalled())
        return _updateDomains(domains);
    if (domains.isEmpty())
        return true;
    TK_LOG_ERROR("%s: key seems not to be installed", "updateDomains");
    return false;
}

bool PKey::subtractDomains(const QStringList &domains)
{
    KeyRecord record;
    if (!_read(record)) {
        TK_LOG_ERROR("%s: key seems not to be installed", "subtractDomains");
        return false;
    }
    QStringList kept;
    for (const QString &domain : qAsConst(record.domains)) {
        if (!domains.contains(domain, Qt::CaseSensitive))
            kept << domain;
    }
    return _updateDomains(kept);
}

void PKey::_showStoringFailedBanner()
{
    // Not a logical id: this title is shown as it is, untranslated.
    showBanner(QStringLiteral("Storing key failed"));
}

bool PKey::_createPasswordAndStore(const QString &cn, EVP_PKEY *key)
{
    PasswordDialog dialog(CertificatePasswordDialog::NewPassword, cn, CertificatePasswordDialog::KeyLabel);
    if (!dialog.exec())
        return false;
    const QString password = dialog->changedPassword();
    if (password.isNull())
        return false;
    const int result = bastra_certman_store_key(&m_keyId, key, password.toUtf8().constData());
    if (result != 0) {
        TK_LOG_ERROR("%s: storing key failed (%d)", "_createPasswordAndStore", result);
        _showStoringFailedBanner();
        return false;
    }
    return true;
}

bool PKey::_store(KeyRecord &record, const QByteArray &der)
{
    KeyRecords records;
    bool written;
    if (record.authPreference != 2) {
        written = records.setPreferenceAndImage(m_id, record.authPreference, der);
    } else {
        const unsigned char *cursor = reinterpret_cast<const unsigned char *>(der.constData());
        KeyOwner key(d2i_AutoPrivateKey(nullptr, &cursor, der.size()));
        if (!key) {
            TK_LOG_ERROR("%s: could not decode the key from DER image", "_store");
            _showStoringFailedBanner();
            return false;
        }
        if (!_createPasswordAndStore(record.cn, key.get()))
            return false;
        written = records.setPreference(m_id, record.authPreference);
    }
    if (!written) {
        TK_LOG_ERROR("%s: could not update information in DB: %s, query: %s", "_store",
                     qUtf8Printable(records.lastError()), qUtf8Printable(records.lastStatement()));
        _showStoringFailedBanner();
        return false;
    }
    return true;
}

bool PKey::_retrieve(KeyRecord &record, QByteArray &der, bool silent)
{
    // Unsigned, so that only 0 and 1 are held in the database; anything else
    // (2, and whatever a damaged row holds) is asked for by password.
    if (unsigned(record.authPreference) <= 1u) {
        if (record.der.isEmpty()) {
            TK_LOG_ERROR("%s: found inconsistent DB data: key should be in DB, but it is not. key_id %s, "
                         "authPreference %d",
                         "_retrieve", qUtf8Printable(m_id), record.authPreference);
            return false;
        }
        if (record.authPreference == 1 && !silent) {
            PasswordDialog confirmation(CertificatePasswordDialog::Confirmation, record.cn,
                                        CertificatePasswordDialog::KeyLabel);
            if (!confirmation.exec())
                return false;
        }
        der = record.der;
        return true;
    }

    PasswordDialog dialog(CertificatePasswordDialog::CurrentPassword, record.cn,
                          CertificatePasswordDialog::ProtectedLabel);
    EVP_PKEY *retrieved = nullptr;
    for (;;) {
        if (!dialog.exec())
            return false;
        const int result = bastra_certman_retrieve_key(&m_keyId, &retrieved, dialog->password().toUtf8().constData());
        if (result == 0)
            break;
        if (result != wrongPasswordResult) {
            TK_LOG_ERROR("%s: could not retrieve the key %s from the store (%d): %s", "_retrieve", qUtf8Printable(m_id),
                         result, bastra_crypto_last_error_str());
            return false;
        }
        dialog->wrongPassword();
    }
    KeyOwner key(retrieved);
    const QByteArray image = derOf(key.get());
    if (image.isEmpty())
        return false;
    der = image;
    return true;
}

bool PKey::_dropDump(KeyRecord &record)
{
    KeyRecords records;
    if (!records.dropImage(m_id)) {
        TK_LOG_ERROR("%s: could not remove DER dump from DB: %s", "_dropDump", qUtf8Printable(records.lastError()));
        return false;
    }
    record.der.clear();
    return true;
}

bool PKey::retrieve(QByteArray &der)
{
    if (m_id == _IncorrectId)
        return false;
    KeyRecord record;
    if (!_read(record)) {
        TK_LOG_ERROR("%s: the key does not seem to be installed", "retrieve");
        return false;
    }
    return _retrieve(record, der, false);
}

bool PKey::changeAuthorizationPreference(int preference)
{
    if (m_id == _IncorrectId)
        return false;
    KeyRecord record;
    if (!_read(record)) {
        TK_LOG_ERROR("%s: the key does not seem to be installed", "changeAuthorizationPreference");
        return false;
    }
    if (preference != 0 && preference != 1)
        preference = 2;
    if (preference == record.authPreference)
        return true;

    QByteArray der;
    if (!_retrieve(record, der, true))
        return false;
    const int previous = record.authPreference;
    record.authPreference = preference;
    if (!_store(record, der))
        return false;
    // Only now that the store holds the key may the database forget it.
    if (unsigned(previous) <= 1u && preference == 2)
        return _dropDump(record);
    return true;
}

bool PKey::changePassword()
{
    if (m_id == _IncorrectId)
        return false;
    KeyRecord record;
    if (!_read(record)) {
        TK_LOG_ERROR("%s: the key does not seem to be installed", "changePassword");
        return false;
    }
    if (record.authPreference != 2) {
        TK_LOG_ERROR("%s: changing a password required for a key that seems to be stored in DB (preference %d)",
                     "changePassword", record.authPreference);
        return false;
    }

    PasswordDialog dialog(CertificatePasswordDialog::ChangePassword, record.cn, CertificatePasswordDialog::KeyLabel);
    for (;;) {
        if (!dialog.exec())
            return false;
        const QString newPassword = dialog->changedPassword();
        if (newPassword.isNull())
            continue;
        EVP_PKEY *retrieved = nullptr;
        const int result = bastra_certman_retrieve_key(&m_keyId, &retrieved, dialog->password().toUtf8().constData());
        if (result == wrongPasswordResult) {
            showBanner(qtTrId("lgd_certman_incorrectpassword"));
            continue;
        }
        if (result != 0) {
            TK_LOG_ERROR("%s: could not retrieve the key %s from the store (%d): %s", "changePassword",
                         qUtf8Printable(m_id), result, bastra_crypto_last_error_str());
            return false;
        }
        KeyOwner key(retrieved);
        if (bastra_certman_store_key(&m_keyId, key.get(), newPassword.toUtf8().constData()) != 0) {
            _showStoringFailedBanner();
            TK_LOG_ERROR("%s: could not store the key", "changePassword");
            return false;
        }
        return true;
    }
}

bool PKey::Install(CertificateItem *item, const QStringList &domains)
{
    if (!item) {
        TK_LOG_ERROR("%s: trying to install a key from an empty certificate", "Install");
        return false;
    }
    PKey key(item->keyId);
    const int preference = item->authPreference;
    if (key.m_id == _IncorrectId) {
        TK_LOG_ERROR("%s: trying to install a key from an empty certificate", "Install");
        return false;
    }
    if (!item->hasKey) {
        TK_LOG_ERROR("%s: the CertificateItem does not contain a key", "Install");
        return false;
    }
    // A recorded key only moves to the new preference and domains: the item
    // of a stored certificate knows of its key without carrying it.
    if (key.isInstalled())
        return key.changeAuthorizationPreference(preference) && key.updateDomains(domains);
    if (!item->privateKey) {
        TK_LOG_ERROR("%s: the CertificateItem does not contain a key", "Install");
        return false;
    }

    // Only 0 and 1 are kept in the database; any other value would record a
    // key that no retrieval can reach, so it goes into the store like 2.
    int storedPreference = preference;
    QByteArray der;
    if (preference != 0 && preference != 1) {
        if (!key._createPasswordAndStore(item->commonName, item->privateKey))
            return false;
        storedPreference = 2;
    } else {
        der = derOf(item->privateKey);
        if (der.isEmpty()) {
            TK_LOG_ERROR("%s: creating DER image of the key failed", "Install");
            _showStoringFailedBanner();
            return false;
        }
    }

    KeyRecord record;
    record.authPreference = storedPreference;
    record.cn = item->commonName;
    record.domains = domains;
    record.der = der;
    KeyRecords records;
    if (!records.insert(key.m_id, record)) {
        TK_LOG_ERROR("%s: could not insert key data into the DB: id = %s, cn = %s, auth = %d, DER size = %d", "Install",
                     qUtf8Printable(key.m_id), TK_LOG_TEXT(item->commonName), storedPreference, int(der.size()));
        _showStoringFailedBanner();
        return false;
    }
    return true;
}
