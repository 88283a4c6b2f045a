#include "appletdevice.h"

#include "testmaterial.h"

namespace {

CertificateFactory::Options named(const char *name, bool isCa = false)
{
    CertificateFactory::Options options;
    options.commonName = QString::fromUtf8(name);
    options.isCa = isCa;
    return options;
}

} // namespace

bool AppletDevice::setUp(QString *error)
{
    *error = harness.errorString();
    if (!harness.isReady())
        return false;
    const auto rootCa = CertificateFactory::makeCa(QString::fromUtf8(rootName));
    const auto intermediate = CertificateFactory::makeIssued(named(intermediateName, true), rootCa);
    const auto importCa = CertificateFactory::makeCa(QStringLiteral("Import CA"));
    const auto importLeaf = CertificateFactory::makeIssued(named(importLeafName), importCa);
    const ServerCertificate server = ServerCertificate::make(QString::fromUtf8(serverName));
    *error = QStringLiteral("could not place the root certificate, the file to import or the trust record");
    return harness.root().addSharedCertificate(QStringLiteral("common-ca"), rootCa.certificate.data())
        && CertificateFactory::writeFile(
               importFile(), CertificateFactory::toPemBundle({ importLeaf.certificate, importCa.certificate }))
        && harness.database().addTrustRecord(QString::fromUtf8(serverName), 1, QVariant(), server.der) > 0
        && install(intermediate, false, QStringLiteral("ssl-ca"), error)
        && install(CertificateFactory::makeIssued(named(keyHolderName), intermediate), true, QStringLiteral("ssl-user"),
                   error)
        && install(CertificateFactory::makeSelfSigned(named(plainName)), false, QStringLiteral("wifi-user"), error);
}

// The serialized item, with its key under the preference "no action".
bool AppletDevice::install(const IssuedCertificate &made, bool withKey, const QString &domain, QString *error)
{
    const KeyMaterial material{ made, StoreProbe::keyIdOf(made.certificate.data()) };
    QDBusPendingReply<bool> reply =
        harness.service().InstallCertificateToDomains(material.itemText(0, {}, withKey), { domain });
    *error = QStringLiteral("installing %1 failed: %2").arg(material.keyId, harness.allOutput());
    return harness.finish(reply, 60000) && !reply.isError() && reply.value();
}
