#ifndef CERTIFICATEITEM_H
#define CERTIFICATEITEM_H

#include "bastracertmanui_global.h"

#include <QByteArray>
#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <openssl/evp.h>
#include <openssl/x509.h>

// One certificate as the user interface and the service handle it: the X.509
// object with the facts read from it, where it is stored and for what, and,
// when it came with one, its private key.
//
// The fields are public because callers read and set them directly; the item
// owns `cert` and `privateKey` and frees them in its destructor.
class BASTRA_CERTMAN_UI_EXPORT CertificateItem
{
public:
    // Keys of attribute(); the same numbers serve as model roles. They are
    // fixed numbers shared with every model of this library, not offsets from
    // Qt::UserRole.
    enum AttributeKey {
        DisplayStrings = 0, // QStringList: name, issuer, validity in words
        ItemPointer = 34, // QVariant holding this CertificateItem*
        ValidityStart = 36, // QStringList: not-before as "yyyyMMddHHmmss'Z'" (UTC)
        SortKey = 37, // QString
        Identity = 38, // QStringList with one entry, unique per certificate
        Manageable = 40 // int: 0 when the user may not remove it
    };

    enum ItemType {
        CaItem = 1,
        UserItem = 2
    };

    X509 *cert; // owned copy, freed in the destructor
    QString commonName; // subject CN as given by the certificate (UTF-8)
    QString keyId; // the store's textual key id (40 lowercase hex)
    QStringList purposes; // domainPrefix names ("ssl", "wifi", ...)
    int itemType; // 1 CA, 2 user
    int userDomains; // user-domains flag
    bool isCA; // basic constraints CA
    bool hasKey; // has a private key: in privateKey, or (stored items) in the store
    bool stored; // the item is in the store
    int authPreference; // 0 no action, 1 notify, 2 password; negative before the key is stored
    EVP_PKEY *privateKey; // owned, freed in the destructor

    CertificateItem();
    virtual ~CertificateItem();

    // Takes its own reference to the certificate (the caller still frees its
    // own) and fills common name, key id, CA flag and item type. False for a
    // null certificate or one whose public key cannot be read; the item is
    // then left as it was.
    bool setCertificate(X509 *certificate);

    // Gives the item the private key (its own reference); sets hasKey.
    // False for a null key.
    bool setPrivateKey(EVP_PKEY *key);

    // End of validity in UTC; null when unknown.
    QDateTime expireDate() const;
    // Start of validity in UTC; null when unknown.
    QDateTime startDate() const;

    // Negative: validity has ended; positive: not begun yet; 0: valid now
    // (also when the times cannot be read).
    int check_time() const;

    // A versioned binary image of the item, the private key included when
    // the item carries one; hasKey travels as it is. False when the item has
    // no certificate.
    bool serialize(QByteArray &out) const;

    // Fills the item from serialize()'s image. False, with the item left as
    // it was, for anything malformed, truncated, oversized or of another
    // version; a plain DER certificate is never taken for an image.
    static bool Deserialize(CertificateItem &item, const QByteArray &data);

    // Subject, issuer, serial number and SHA-256 fingerprint, each as one
    // line: enough for a person to tell two certificates apart.
    QStringList id_strings() const;

    // The item's facts by key (see AttributeKey); an invalid QVariant for an
    // unknown key.
    virtual QVariant attribute(int key) const;

private:
    CertificateItem(const CertificateItem &) = delete;
    CertificateItem &operator=(const CertificateItem &) = delete;
};

Q_DECLARE_METATYPE(CertificateItem *)

#endif
