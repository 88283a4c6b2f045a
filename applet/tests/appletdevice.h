#ifndef TRUSTKEEP_APPLETDEVICE_H
#define TRUSTKEEP_APPLETDEVICE_H

#include "certificatefactory.h"
#include "privatebus.h"
#include "temporarydeviceroot.h"

// An emulated device for the applet's tests, with the real service on a
// private bus:
//
//   "Applet Root CA"          shared "common-ca": a root certificate (not manageable)
//   "Applet Intermediate CA"  "ssl-ca", issued by the root
//   "Key Holder"              "ssl-user", issued by the intermediate, with its key (preference 0)
//   "Plain Certificate"       "wifi-user", self-signed, no key
//   "server.applet.test"      a trust record of the trust database
//
// and in the home "certificates/import.pem" with "Import Leaf" and the
// "Import CA" that issued it. Installing goes through the service's method.
class AppletDevice
{
public:
    static constexpr const char *rootName = "Applet Root CA";
    static constexpr const char *intermediateName = "Applet Intermediate CA";
    static constexpr const char *keyHolderName = "Key Holder";
    static constexpr const char *plainName = "Plain Certificate";
    static constexpr const char *serverName = "server.applet.test";
    static constexpr const char *importLeafName = "Import Leaf";

    TemporaryDeviceRoot root;
    PrivateBus bus{ root.path() };

    // False, with the reason, when the device could not be made.
    bool setUp(QString *error);
    QString importFile() const { return root.home() + QStringLiteral("/certificates/import.pem"); }

private:
    bool install(const CertificateFactory::Issued &material, bool withKey, const QString &domain, QString *error);
    bool addTrustRecord(const CertificateFactory::Issued &material, QString *error);
};

#endif
