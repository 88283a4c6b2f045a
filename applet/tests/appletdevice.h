#ifndef TRUSTKEEP_APPLETDEVICE_H
#define TRUSTKEEP_APPLETDEVICE_H

#include "certificatefactory.h"
#include "processtestharness.h"

// The harness with an emulated device for the applet's tests, the real
// service on its private bus:
//
//   "Applet Root CA"          shared "common-ca": a root certificate (not manageable)
//   "Applet Intermediate CA"  "ssl-ca", issued by the root
//   "Key Holder"              "ssl-user", issued by the intermediate, with its key (preference 0)
//   "Plain Certificate"       "wifi-user", self-signed, no key
//   "server.applet.test"      a trust record of the trust database
//
// and in the home "certificates/import.pem" with "Import Leaf" and the
// "Import CA" that issued it. Installing goes through the service's method;
// the control panel and the service have an automation socket each.
class AppletDevice
{
public:
    static constexpr const char *rootName = "Applet Root CA";
    static constexpr const char *intermediateName = "Applet Intermediate CA";
    static constexpr const char *keyHolderName = "Key Holder";
    static constexpr const char *plainName = "Plain Certificate";
    static constexpr const char *serverName = "server.applet.test";
    static constexpr const char *importLeafName = "Import Leaf";

    ProcessTestHarness harness{ ProcessTestHarness::Options{ true, QString() } };

    // False, with the reason, when the device could not be made.
    bool setUp(QString *error);
    QString importFile() { return harness.root().home() + QStringLiteral("/certificates/import.pem"); }

private:
    bool install(const IssuedCertificate &made, bool withKey, const QString &domain, QString *error);
};

#endif
