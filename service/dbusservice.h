#ifndef TRUSTKEEP_DBUSSERVICE_H
#define TRUSTKEEP_DBUSSERVICE_H

#include <QDBusContext>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

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
    static const int idleInterval = 2000;   // ms without a call before the service ends

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
    // Adds the item's certificate to each domain in turn under the domain's
    // adding token; stops at the first domain that fails.
    bool _installCertToDomains(CertificateItem *item, const QStringList &domains);
    // Store callback of the domain listing: appends the Base64 DER of each
    // certificate to the QStringList behind user.
    static int add_to_list(int index, X509 *cert, void *user);
    // The server check (dbusservice_trust.cpp): the three questions; each records the answer and returns whether the
    // user trusts the certificate. A lapsed record of the same certificate
    // (lapsedId) is renewed in place instead of getting a second record.
    bool _installNewDialog(CertificateItem *item, const QByteArray &der,
                           std::optional<qint64> lapsedId = std::nullopt);
    bool _installChangedDialog(CertificateItem *oldItem, CertificateItem *newItem, const QByteArray &der, qint64 id);
    bool _installExpiredDialog(CertificateItem *item, qint64 id);

    QCoreApplication *m_application;
    ServiceTimeout_p *m_idleTimer;
};

#endif
