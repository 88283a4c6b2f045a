#define TK_LOG_SOURCE "dbusservice"

// The service's key methods: handing out a private key encrypted for a
// credential token, telling a key's authorization preference, and letting
// the user change a stored key's password. Every dialog comes from PKey.

#include "dbusservice.h"

#include "pkey.h"
#include "servicetimeouthold.h"

#include <base64.h>
#include <bastra_certman.h>
#include <bastra_crypto.h>
#include <log.h>
#include <logtext.h>
#include <opensslowners.h>
#include <purposetable.h>
#include <storedomain.h>

#include <QByteArray>

#include <openssl/x509.h>

#include <cstdio>
#include <cstring>

namespace {

// What the caller decrypts when no key could be had. A failure looks like a
// success on the bus, so nobody watching learns which keys exist.
const QByteArray retrievalFailure = QByteArrayLiteral("Could not retrieve key");

// The domain name is built in a buffer of this size.
const size_t domainNameSize = 256;
const size_t longestDomainPrefix = 250;

} // namespace

QString DBusService::GetPrivateKey(const QString &keyId, const QString &creds)
{
    if (!_callerMayManage("GetPrivateKey"))
        return QString();
    QString reply;
    QByteArray payload = retrievalFailure;
    ServiceTimeoutHold hold(m_idleTimer);

    bastra_key_id id;
    if (keyId.contains(QChar(0)) || bastra_certman_str_to_key_id(keyId.toUtf8().constData(), &id) != 0) {
        TK_LOG_ERROR("%s: unable to parse a key id %s", "GetPrivateKey", TK_LOG_TEXT(keyId));
    } else {
        bool found = false;
        for (const PurposeEntry *entry = purposeTable; entry->domainPrefix && !found; ++entry) {
            const char *prefix = entry->domainPrefix;
            if (std::strlen(prefix) > longestDomainPrefix) {
                TK_LOG_ERROR("%s: too long cert domain %s", "GetPrivateKey", prefix);
                continue;
            }
            char name[domainNameSize];
            std::snprintf(name, sizeof name, "%s-user", prefix);

            X509 *certificate = nullptr;
            int loaded;
            {
                const StoreDomain store(QString::fromLatin1(name), StoreDomain::Private, TK_CLOSE_LOGGED_BY_CALL);
                if (!store.isOpen()) {
                    TK_LOG_ERROR("%s: failed opening domain %s (%d)", "GetPrivateKey", prefix, store.openResult());
                    continue;
                }
                loaded = bastra_certman_load_cert(store.handle(), &id, &certificate);
            }
            const X509Owner loadedCertificate(certificate); // only its presence counts

            if (loaded == 0) {
                found = true;
                PKey key(keyId);
                QByteArray der;
                payload = key.retrieve(der) ? der : retrievalFailure;
            } else if (loaded != 2) {
                TK_LOG_ERROR("%s: failed loading cert from %s (%d)", "GetPrivateKey", prefix, loaded);
            }
        }
        if (!found)
            TK_LOG_ERROR("%s: cert not found", "GetPrivateKey");
    }

    unsigned char *cipher = nullptr;
    size_t cipherLength = 0;
    const int encrypted = bastra_crypto_encrypt(payload.constData(), size_t(payload.size()), creds.toUtf8().constData(),
                                                &cipher, &cipherLength);
    const CryptoBuffer cipherOwner(cipher);
    if (encrypted == 0) {
        reply = Base64::encode(cipher, cipherLength);
    } else {
        TK_LOG_ERROR("%s: could not encrypt the reply for the token (%d)", "GetPrivateKey", encrypted);
    }
    return reply;
}

// Only reads a record and never asks the user, so it leaves the idle timer
// alone: answering it does not extend the service's life.
int DBusService::GetPrivateKeyData(const QString &keyId)
{
    if (!_callerMayManage("GetPrivateKeyData"))
        return 0;
    PKey key(keyId);
    return key.authorizationPreference();
}

bool DBusService::ChangePrivateKeyPassword(const QString &key_id)
{
    if (!_callerMayManage("ChangePrivateKeyPassword"))
        return false;
    ServiceTimeoutHold hold(m_idleTimer);
    PKey key(key_id);
    return key.changePassword();
}
