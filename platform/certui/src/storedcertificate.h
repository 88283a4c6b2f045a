#ifndef STOREDCERTIFICATE_H
#define STOREDCERTIFICATE_H

#include "certificateitem.h"
#include "certificateoutline.h"

#include <QByteArray>
#include <QDBusPendingCall>
#include <QStringList>

#include <memory>
#include <optional>

// One stored certificate as the service listed it: its DER, the outline the
// list shows, where it is stored and its key facts. The full item is made
// from the DER only when someone asks for it; the key facts come from the
// service's answer to a question asked after the listing, and the item waits
// for that answer when it is made before it came.
class StoredCertificate
{
public:
    // The certificate read from DER: the outline without the full parse
    // where it can, else from a full parse. False for DER that holds no
    // usable certificate.
    bool read(const QByteArray &der, OutlineCache *cache);

    // A certificate given as an item: the row's item is a copy of it.
    bool take(std::unique_ptr<CertificateItem> item);

    const QByteArray &der() const { return m_der; }
    const CertificateOutline &outline() const { return m_outline; }
    bool hasItem() const { return bool(m_item); }

    // The facts the item will carry; once it exists, the item's own.
    QStringList purposes() const;
    bool isCa() const;
    void addPurpose(const QString &purpose);
    void setKeyPreference(int preference);

    // Listed where the service may keep its key (a purpose's "-user"
    // domain): the item's key facts need the service's answer.
    void setMayHaveKey(bool mayHaveKey) { m_mayHaveKey = mayHaveKey; }
    // True until the key question is handed over (or the item exists).
    bool awaitsKeyQuestion() const { return m_mayHaveKey && !m_keyAnswer && !m_item && !m_itemFailed; }
    // The service's answer to GetPrivateKeyData for the key id, taken (and
    // waited for, if need be) when the item is made.
    void setKeyAnswer(const QDBusPendingCall &answer) { m_keyAnswer = answer; }

    // The full item, made on first use (null, logged, when the full parse
    // of the DER fails).
    CertificateItem *item();
    std::unique_ptr<CertificateItem> takeItem();

private:
    void takeKeyAnswer();

    QByteArray m_der;
    CertificateOutline m_outline;
    QStringList m_purposes;
    bool m_hasKey = false;
    int m_authPreference = -1;
    bool m_mayHaveKey = false;
    std::optional<QDBusPendingCall> m_keyAnswer;
    std::unique_ptr<CertificateItem> m_item;
    bool m_itemFailed = false;
};

#endif
