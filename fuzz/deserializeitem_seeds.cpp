// Writes a seed corpus for deserializeitem_fuzzer: serialized items of real
// certificates made on the spot (with and without a private key, RSA and EC,
// with purposes), so the fuzzer starts from images that get all the way in.
//
//   deserializeitem_seeds corpus/
#include <certificateitem.h>

#include <certificatefactory.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

bool writeSeed(const QDir &folder, const QString &name, const CertificateItem &item)
{
    QByteArray image;
    if (!item.serialize(image))
        return false;
    QFile file(folder.filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(image) == image.size();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS-FOLDER\n", argv[0]);
        return 2;
    }
    QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral(".")))
        return 1;

    const auto ca = CertificateFactory::makeCa(QStringLiteral("Seed CA"));
    CertificateFactory::Options options;
    options.commonName = QStringLiteral("seed.example.test");
    options.keyType = CertificateFactory::KeyType::Rsa;
    options.rsaBits = 1024;
    const auto user = CertificateFactory::makeIssued(options, ca);
    if (ca.isNull() || user.isNull())
        return 1;

    CertificateItem plain;
    CertificateItem keyed;
    if (!plain.setCertificate(ca.certificate.data()) || !keyed.setCertificate(user.certificate.data())
        || !keyed.setPrivateKey(user.key.data()))
        return 1;
    plain.purposes = QStringList{ QStringLiteral("ssl"), QStringLiteral("common-ca") };
    plain.stored = true;
    keyed.authPreference = 1;

    const bool ok = writeSeed(folder, QStringLiteral("ca-item"), plain)
        && writeSeed(folder, QStringLiteral("user-item-with-key"), keyed);
    return ok ? 0 : 1;
}
