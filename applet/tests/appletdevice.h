#ifndef TRUSTKEEP_APPLETDEVICE_H
#define TRUSTKEEP_APPLETDEVICE_H

#include "certificatefactory.h"
#include "privatebus.h"
#include "temporarydeviceroot.h"

#include <QString>

// An emulated device for the applet's tests, with the real service on a
// private bus:
//
//   "Applet Root CA"          shared "common-ca": a root certificate (not manageable)
//   "Applet Intermediate CA"  "ssl-ca", issued by the root
//   "Key Holder"              "ssl-user", issued by the intermediate, with its key (preference 0)
//   "Plain Certificate"       "wifi-user", self-signed, no key
//   "server.applet.test"      a trust record of the trust database
//
// and in the home, "certificates/import.pem" with "Import Leaf" and the "Import
// CA" that issued it. Installing goes through the service's own method.
class AppletDevice
{
public:
    static const char rootName[];
    static const char intermediateName[];
    static const char keyHolderName[];
    static const char plainName[];
    static const char serverName[];
    static const char importLeafName[];
    static const char importCaName[];

    TemporaryDeviceRoot root;
    PrivateBus bus{ root.path() };

    // False, with the reason, when the device could not be made.
    bool setUp(QString *error);

    // Where the file of certificates to import lies.
    QString importFile() const;

private:
    bool install(const CertificateFactory::Issued &material, bool withKey, const QString &domain, QString *error);
    bool addTrustRecord(const CertificateFactory::Issued &material, QString *error);
};

#endif
