// make-demo-files: writes sample certificate files for the installer
// demonstration into a folder (made with the test certificate factory):
//
//   demo-root-ca.pem      a CA certificate in PEM
//   demo-user.p12         a user certificate issued by that CA, with its
//                         private key, in PKCS#12 (empty password)
//   expired-server.crt    a server certificate that expired yesterday (PEM)
//
// Usage: make-demo-files FOLDER

#include "certificatefactory.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        err << "usage: make-demo-files FOLDER\n";
        return 2;
    }
    const QString folder = args.at(1);

    CertificateFactory::Options caOptions;
    caOptions.organization = QStringLiteral("Demo Trust Services");
    const CertificateFactory::Issued ca = CertificateFactory::makeCa(QStringLiteral("Demo Root CA"), caOptions);

    CertificateFactory::Options userOptions;
    userOptions.commonName = QStringLiteral("Demo User");
    userOptions.organization = QStringLiteral("Demo Trust Services");
    userOptions.extraSubject = { { QStringLiteral("emailAddress"), QStringLiteral("demo.user@example.test") } };
    const CertificateFactory::Issued user = CertificateFactory::makeIssued(userOptions, ca);

    CertificateFactory::Options serverOptions;
    serverOptions.commonName = QStringLiteral("old.example.test");
    serverOptions.notBefore = CertificateFactory::daysFromNow(-400);
    serverOptions.notAfter = CertificateFactory::daysFromNow(-1);
    const CertificateFactory::Issued server = CertificateFactory::makeIssued(serverOptions, ca);

    if (ca.isNull() || user.isNull() || server.isNull()) {
        err << "make-demo-files: could not make the certificates\n";
        return 1;
    }
    const bool written = CertificateFactory::writeFile(folder + QStringLiteral("/demo-root-ca.pem"),
                                                       CertificateFactory::toPem(ca.certificate.data()))
        && CertificateFactory::writeFile(
                             folder + QStringLiteral("/demo-user.p12"),
                             CertificateFactory::toPkcs12(user, QByteArray(), {}, QStringLiteral("Demo User")))
        && CertificateFactory::writeFile(folder + QStringLiteral("/expired-server.crt"),
                                         CertificateFactory::toPem(server.certificate.data()));
    if (!written) {
        err << "make-demo-files: could not write into " << folder << "\n";
        return 1;
    }
    return 0;
}
