#ifndef TRUSTKEEP_TEMPORARYDEVICEROOT_H
#define TRUSTKEEP_TEMPORARYDEVICEROOT_H

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

#include <openssl/x509.h>

// An emulated device in a temporary folder: home/user/private exists, and
// TRUSTKEEP_DEVICE_ROOT points at it for this process while the object
// lives (the earlier value comes back afterwards). Everything is removed at
// the end; a root that cannot be made ends the program.
//
//   TemporaryDeviceRoot root;
//   root.addSharedCertificate("common-ca", ca.certificate.data());
class TemporaryDeviceRoot
{
public:
    TemporaryDeviceRoot();
    ~TemporaryDeviceRoot();
    TemporaryDeviceRoot(const TemporaryDeviceRoot &) = delete;
    TemporaryDeviceRoot &operator=(const TemporaryDeviceRoot &) = delete;

    bool isValid() const;
    QString path() const; // the root itself
    QString resolve(const QString &devicePath) const; // path() + "/home/user"...

    QString home() const; // <root>/home/user
    QString privateDomainFolder(const QString &domain) const;
    QString sharedDomainFolder(const QString &domain) const;
    QString keyFolder() const;

    // The current process environment with this root set, for children.
    QProcessEnvironment environment() const;

    // Puts a certificate into a shared (system) domain the way the system
    // image would, creating the domain's folder; the store itself never
    // writes there. False on failure.
    bool addSharedCertificate(const QString &domain, X509 *cert);
    // Creates an empty shared domain.
    bool addSharedDomain(const QString &domain);

private:
    QTemporaryDir m_dir;
    QByteArray m_previousRoot;
    bool m_hadPreviousRoot = false;
};

#endif
