// make-demo-device: the material of the whole-device demonstration, on the
// emulated device of TRUSTKEEP_DEVICE_ROOT (it refuses to run without one).
//
//   make-demo-device ca-bundle BUNDLE.pem
//       Puts every certificate of a PEM bundle (the machine's own CA bundle)
//       into the shared domain "common-ca", as the system image would, with
//       a progress line. Prints the count.
//
//   make-demo-device material FOLDER
//       Makes a small PKI with the test certificate factory and writes, for
//       the demonstration script to hand to the service with gdbus:
//         "Demo Device Root CA"   straight into "common-ca" (a root: not manageable)
//         issuing-ca.item         "Demo Issuing CA", issued by that root
//         key-0.item ... key-2.item
//                                 user certificates issued by the issuing CA,
//                                 each with its key and the preference of its number
//                                 (key-N.id: the store's key id of each)
//         old-laptop.item         a user certificate without a key
//         server-*.b64            server certificates as Base64 DER, for CheckCertificate
//       (an .item file holds the Base64 of a serialized certificate item,
//       the form InstallCertificateToDomains takes), and in the device's home
//       "Downloads/partner-certificates.pem": a leaf and the CA that issued it,
//       to import through the applet.

#include "certificatefactory.h"

#include <bastra_certman.h>
#include <certificateitem.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

#include <openssl/pem.h>

#include <cstdio>
#include <memory>

#include <unistd.h>

namespace {

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

QString deviceRoot()
{
    return QDir::cleanPath(qEnvironmentVariable("TRUSTKEEP_DEVICE_ROOT"));
}

QString sharedDomainFile(X509 *cert)
{
    bastra_key_id id;
    char text[BASTRA_KEY_ID_TEXT_SIZE];
    if (bastra_certman_get_cert_key_id(cert, &id) != 0 || bastra_certman_key_id_to_str(&id, text, sizeof text) != 0)
        return QString();
    return deviceRoot() + QStringLiteral("/etc/bastra-certs/common-ca/") + QLatin1String(text);
}

bool addToCommonCa(X509 *cert)
{
    const QString file = sharedDomainFile(cert);
    return !file.isEmpty() && CertificateFactory::writeFile(file, CertificateFactory::toDer(cert));
}

int importBundle(const QString &bundlePath)
{
    QFile bundle(bundlePath);
    if (!bundle.open(QIODevice::ReadOnly)) {
        err() << "make-demo-device: cannot read " << bundlePath << "\n";
        return 1;
    }
    const QByteArray pem = bundle.readAll();
    const int total = pem.count("-----BEGIN CERTIFICATE-----");
    const std::unique_ptr<BIO, int (*)(BIO *)> in(BIO_new_mem_buf(pem.constData(), pem.size()), BIO_free);
    int done = 0;
    int refused = 0;
    while (const X509Owner cert{ PEM_read_bio_X509(in.get(), nullptr, nullptr, nullptr) }) {
        if (!addToCommonCa(cert.get()))
            ++refused;
        ++done;
        if (isatty(STDOUT_FILENO)) {
            std::printf("\r   this machine's CA bundle: %d of %d certificates", done, total);
            std::fflush(stdout);
        }
    }
    std::printf("%s   this machine's CA bundle: %d certificates in \"common-ca\"\n",
                isatty(STDOUT_FILENO) ? "\r" : "", done);
    if (done == 0 || refused > 0) {
        err() << "make-demo-device: " << refused << " of " << done << " certificates could not be placed\n";
        return 1;
    }
    return 0;
}

bool writeItem(const QString &path, const CertificateFactory::Issued &material, int preference)
{
    CertificateItem item;
    item.setCertificate(material.certificate.data());
    if (preference >= 0) {
        item.setPrivateKey(material.key.data());
        item.authPreference = preference;
    }
    QByteArray image;
    return item.serialize(image) && CertificateFactory::writeFile(path, image.toBase64())
        && CertificateFactory::writeFile(QString(path).replace(QLatin1String(".item"), QLatin1String(".id")),
                                         item.keyId.toLatin1());
}

bool writeServer(const QString &path, const CertificateFactory::Issued &server)
{
    return CertificateFactory::writeFile(path, CertificateFactory::toDer(server.certificate.data()).toBase64());
}

CertificateFactory::Options person(const QString &name, const QString &mail)
{
    CertificateFactory::Options options;
    options.commonName = name;
    options.organization = QStringLiteral("Example Company");
    if (!mail.isEmpty())
        options.extraSubject = { { QStringLiteral("emailAddress"), mail } };
    return options;
}

CertificateFactory::Options server(const QString &host)
{
    CertificateFactory::Options options;
    options.commonName = host;
    options.organization = QStringLiteral("Example Sites");
    return options;
}

int makeMaterial(const QString &folder)
{
    CertificateFactory::Options caOptions;
    caOptions.organization = QStringLiteral("Example Company");
    const auto root = CertificateFactory::makeCa(QStringLiteral("Demo Device Root CA"), caOptions);
    CertificateFactory::Options issuing = person(QStringLiteral("Demo Issuing CA"), QString());
    issuing.isCa = true;
    const auto issuingCa = CertificateFactory::makeIssued(issuing, root);
    const auto sitesCa = CertificateFactory::makeCa(QStringLiteral("Example Sites CA"));
    const auto partnerCa = CertificateFactory::makeCa(QStringLiteral("Partner Office CA"));
    const auto partner =
        CertificateFactory::makeIssued(person(QStringLiteral("Partner Portal"), QStringLiteral("portal@partner.test")),
                                       partnerCa);
    const QString home = deviceRoot() + QStringLiteral("/home/user");

    bool written = addToCommonCa(root.certificate.data())
        && writeItem(folder + QStringLiteral("/issuing-ca.item"), issuingCa, -1)
        && CertificateFactory::writeFile(home + QStringLiteral("/Downloads/partner-certificates.pem"),
                                         CertificateFactory::toPemBundle({ partner.certificate, partnerCa.certificate }));
    const QList<QPair<QString, QString>> keyHolders = {
        { QStringLiteral("Ann Example"), QStringLiteral("ann@example.test") }, // no action
        { QStringLiteral("Office Wi-Fi"), QString() }, // asks for confirmation
        { QStringLiteral("Bank Login"), QString() }, // asks for the key's password
    };
    for (int preference = 0; preference < keyHolders.size(); ++preference) {
        const auto holder = CertificateFactory::makeIssued(
            person(keyHolders.at(preference).first, keyHolders.at(preference).second), issuingCa);
        written = written
            && writeItem(folder + QStringLiteral("/key-%1.item").arg(preference), holder, preference);
    }
    for (const char *host : { "shop.example.com", "mail.example.org", "news.example.net" })
        written = written
            && writeServer(folder + QStringLiteral("/server-%1.b64").arg(QString::fromLatin1(host).section('.', 0, 0)),
                           CertificateFactory::makeIssued(server(QLatin1String(host)), sitesCa));
    // A server whose certificate ended yesterday.
    CertificateFactory::Options expired = server(QStringLiteral("old.example.net"));
    expired.notBefore = CertificateFactory::daysFromNow(-365);
    expired.notAfter = CertificateFactory::daysFromNow(-1);
    written = written
        && writeServer(folder + QStringLiteral("/server-old.b64"), CertificateFactory::makeIssued(expired, sitesCa));
    // The shop again, with a new key and another issuer: a changed certificate.
    written = written
        && writeServer(folder + QStringLiteral("/server-shop2.b64"),
                       CertificateFactory::makeSelfSigned(server(QStringLiteral("shop.example.com"))));
    // A user certificate without a key, for the applet to delete.
    written = written
        && writeItem(folder + QStringLiteral("/old-laptop.item"),
                     CertificateFactory::makeIssued(person(QStringLiteral("Old Laptop"), QString()), issuingCa), -1);
    if (!written) {
        err() << "make-demo-device: could not write the material into " << folder << " or the device\n";
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3 || (args.at(1) != QLatin1String("ca-bundle") && args.at(1) != QLatin1String("material"))) {
        err() << "usage: make-demo-device ca-bundle BUNDLE.pem | make-demo-device material FOLDER\n";
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("TRUSTKEEP_DEVICE_ROOT")) {
        err() << "make-demo-device: set TRUSTKEEP_DEVICE_ROOT to an emulated device folder\n";
        return 2;
    }
    return args.at(1) == QLatin1String("ca-bundle") ? importBundle(args.at(2)) : makeMaterial(args.at(2));
}
