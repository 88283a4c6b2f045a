#ifndef TRUSTKEEP_DBUSSERVICE_H
#define TRUSTKEEP_DBUSSERVICE_H

#include <QDBusContext>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class CertificateItem;
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
    QCoreApplication *m_application;
    ServiceTimeout_p *m_idleTimer;
};

#endif
