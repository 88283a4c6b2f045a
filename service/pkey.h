#ifndef TRUSTKEEP_PKEY_H
#define TRUSTKEEP_PKEY_H

#include "keyrecords.h"

#include <bastra_certman.h>

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <openssl/evp.h>

class CertificateItem;

// The record of one private key and its authorization preference: how freely
// programs may obtain the key. Preference 0 and 1 keys are kept as DER images
// in the trust database (1 asks the user to confirm each hand-out);
// preference 2 keys live only in the certificate store under a password the
// user chose. The password dialogs come from here too.
//
// Short-lived: callers make one on the stack for one operation.
//
//   PKey key(keyIdText);
//   QByteArray der;
//   if (key.retrieve(der)) ...
class PKey : public QObject
{
    Q_OBJECT
public:
    // The id of a PKey whose id text could not be parsed: every operation
    // then stops before touching the database.
    static const QString _IncorrectId;

    explicit PKey(const QString &id, QObject *parent = nullptr);

    // A record with this id exists.
    bool isInstalled();
    // True when no record exists, else whether removing it worked.
    bool remove();
    // The stored preference; -1 without a record, 0 for an unparsable id.
    int authorizationPreference();
    // Replaces the stored domain list; an empty list deletes the record.
    bool updateDomains(const QStringList &domains);
    // Takes the domains out of the stored list; none left deletes the record.
    bool subtractDomains(const QStringList &domains);
    // The key's DER image, after whatever its preference asks of the user.
    bool retrieve(QByteArray &der);
    // Lets the user give a store-held key a new password.
    bool changePassword();
    // Moves the key to the preference (anything but 0 and 1 means 2),
    // between the database and the certificate store.
    bool changeAuthorizationPreference(int preference);

    // Records the item's private key for the domains, with the item's
    // preference; a key already recorded takes the preference and exactly
    // these domains.
    static bool Install(CertificateItem *item, const QStringList &domains);

private:
    bool _read(KeyRecord &record);
    bool _remove();
    bool _updateDomains(const QStringList &domains);
    bool _createPasswordAndStore(const QString &cn, EVP_PKEY *key);
    bool _store(KeyRecord &record, const QByteArray &der);
    bool _retrieve(KeyRecord &record, QByteArray &der, bool silent);
    bool _dropDump(KeyRecord &record);
    static void _showStoringFailedBanner();

    QString m_id;
    bastra_key_id m_keyId;
};

#endif
