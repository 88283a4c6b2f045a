#ifndef TRUSTKEEP_DBUSSERVICE_H
#define TRUSTKEEP_DBUSSERVICE_H

#include <QDBusContext>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include "knowncertificates.h"
#include "subjectlookup.h"

#include <bastra_certman.h>

#include <openssl/types.h>

#include <optional>

class CertificateItem;
class QByteArray;
class QCoreApplication;
class ServiceTimeout_p;

// The object behind "/request": every method of the com.tavelo.certman
// interface is a slot here, reached through the generated adaptor. Each
// call replies when its slot returns; a call that needs the user waits in
// a local event loop, during which further calls are served.
class DBusService : public QObject, protected QDBusContext
{
    Q_OBJECT
public:
    static const int idleInterval = 2000; // ms without a call before the service ends

    // The idle timer quits the application.
    explicit DBusService(QCoreApplication *application);
    ~DBusService() override;

    ServiceTimeout_p *idleTimer() const { return m_idleTimer; }

signals:
    void stateChanged(const QString &domainName);

public slots:
    bool CheckCertificate(const QString &x509);
    QString GetPrivateKey(const QString &keyId, const QString &creds);
    int GetPrivateKeyData(const QString &keyId);
    bool ChangePrivateKeyPassword(const QString &key_id);
    bool InstallCertificateToDomains(const QString &cert, const QStringList &domains);
    bool DeleteCertificateFromDomains(const QString &key, const QStringList &domains);
    QVariantMap LoadCertificatesFromDomains(const QStringList &domains);
    bool ShowCertificateInfo(const QString &x509);

protected slots:
    void _showDetailsPage(CertificateItem *cert);

private:
    // Whether the caller of the D-Bus call being served may use a method
    // that reads or changes the store or the keys: root and the device's
    // user (the owner of the home folder) may. Anyone else gets the bus
    // error AccessDenied, and the refusal is logged with the method's name
    // and the caller's uid. Calls made inside the service are not checked.
    bool _callerMayManage(const char *method);

    // Adds the item's certificate to each domain in turn under the domain's
    // adding token; stops at the first domain that fails.
    bool _installCertToDomains(CertificateItem *item, const QStringList &domains);
    // Removes the certificate of the key id from each domain in turn under
    // the domain's removing token and takes the domains out of the key
    // record; stops at the first domain that fails. With absentIsRemoved a
    // domain that does not hold the certificate counts as done. A
    // certificate that leaves its last domain takes its key record and key
    // file with it.
    bool _removeCertFromDomains(const QString &key, const bastra_key_id &keyId, const QStringList &domains,
                                bool absentIsRemoved);
    // Store callback of the domain listing: appends the Base64 text of each
    // certificate's DER to the QStringList behind user. The store hands over
    // the DER it keeps, so a listing parses no certificate it checked before.
    static int add_to_list(int index, const unsigned char *der, size_t length, void *user);
    // The server check (dbusservice_trust.cpp): the three questions; each records the answer and returns whether the
    // user trusts the certificate. A lapsed record of the same certificate
    // (lapsedId) is renewed in place instead of getting a second record.
    bool _installNewDialog(CertificateItem *item, const QByteArray &der, std::optional<qint64> lapsedId = std::nullopt);
    bool _installChangedDialog(CertificateItem *oldItem, CertificateItem *newItem, const QByteArray &der, qint64 id);
    bool _installExpiredDialog(CertificateItem *item, qint64 id);

    QCoreApplication *m_application;
    ServiceTimeout_p *m_idleTimer;
    int m_waitingQuestions = 0; // CheckCertificate calls waiting for the user
    // Kept between checks: a repeated check of a trusted certificate parses
    // nothing and prepares no statement.
    KnownCertificates m_knownCertificates;
    SubjectLookup m_subjectLookup;
};

#endif
