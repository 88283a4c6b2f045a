// Writes the seed corpora of every fuzz target from material made on the
// spot: certificates and keys (RSA and EC, CA and user), their PEM, DER and
// PKCS#12 forms (protected with the fuzz password), serialized items, and
// the argument texts a client sends the service.
//
//   fuzzseeds CORPUS-FOLDER     makes CORPUS-FOLDER/<target>/ for each target
#include "fuzzpassword.h"

#include <certificatefactory.h>
#include <certificateitem.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

class Corpus
{
public:
    Corpus(const QDir &top, const QString &target)
        : m_folder(top.filePath(target))
    {
        m_ok = QDir().mkpath(m_folder.path());
    }

    void add(const QByteArray &seed)
    {
        QFile file(m_folder.filePath(QStringLiteral("seed-%1").arg(m_count++)));
        m_ok = m_ok && file.open(QIODevice::WriteOnly) && file.write(seed) == seed.size();
    }
    bool isOk() const { return m_ok; }

private:
    QDir m_folder;
    int m_count = 0;
    bool m_ok = true;
};

QByteArray serialized(const IssuedCertificate &material, bool withKey, const QStringList &purposes, int preference)
{
    CertificateItem item;
    if (!item.setCertificate(material.certificate.data()))
        return QByteArray();
    if (withKey && !item.setPrivateKey(material.key.data()))
        return QByteArray();
    item.purposes = purposes;
    item.authPreference = preference;
    QByteArray image;
    return item.serialize(image) ? image : QByteArray();
}

// The first byte of a file seed names the extension the fuzzer reads it
// under: 0 .pem, 1 .der, 2 .p12, 3 .crt, 4 none.
QByteArray fileSeed(char name, const QByteArray &content)
{
    return QByteArray(1, name) + content;
}

// The first byte of a service seed: bit 0 install (else check), bit 1 the
// image is raw bytes the fuzzer Base64-encodes.
QByteArray callSeed(char selector, const QByteArray &certificate, const QStringList &domains = QStringList())
{
    QByteArray seed = QByteArray(1, selector) + certificate;
    for (const QString &domain : domains)
        seed += '\n' + domain.toUtf8();
    return seed;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS-FOLDER\n", argv[0]);
        return 2;
    }
    const QDir top(QString::fromLocal8Bit(argv[1]));
    const QByteArray password(TRUSTKEEP_FUZZ_PASSWORD);

    const auto ca = CertificateFactory::makeCa(QStringLiteral("Seed Root CA"));
    CertificateFactory::Options options;
    options.commonName = QStringLiteral("seed.example.test");
    options.keyType = CertificateFactory::KeyType::Rsa;
    options.rsaBits = 1024;
    const auto server = CertificateFactory::makeIssued(options, ca);
    options.commonName = QStringLiteral("Seed User");
    options.keyType = CertificateFactory::KeyType::Ec;
    options.extraSubject = { { QStringLiteral("O"), QStringLiteral("Seeds") },
                             { QStringLiteral("emailAddress"), QStringLiteral("seed@example.test") } };
    const auto user = CertificateFactory::makeIssued(options, ca);
    if (ca.isNull() || server.isNull() || user.isNull())
        return 1;

    const QByteArray caDer = CertificateFactory::toDer(ca.certificate.data());
    const QByteArray serverDer = CertificateFactory::toDer(server.certificate.data());
    const QByteArray userDer = CertificateFactory::toDer(user.certificate.data());
    const QByteArray userPem = CertificateFactory::toPem(user.certificate.data());
    const QByteArray caItem = serialized(ca, false, { QStringLiteral("ssl"), QStringLiteral("common-ca") }, -1);
    const QByteArray userItem = serialized(user, true, { QStringLiteral("smime") }, 0);
    const QByteArray serverItem = serialized(server, true, QStringList(), 2);
    QList<X509Ptr> chain;
    chain << CertificateFactory::fromDer(caDer);

    Corpus base64(top, QStringLiteral("base64_fuzzer"));
    base64.add(caDer.toBase64());
    base64.add(userItem.toBase64());
    base64.add(userPem);
    base64.add(QByteArray("QQ=="));
    base64.add(QByteArray("QUI=\n"));
    base64.add(QByteArray(" QUJD \t"));

    Corpus items(top, QStringLiteral("deserializeitem_fuzzer"));
    items.add(caItem);
    items.add(userItem);
    items.add(serverItem);

    Corpus files(top, QStringLiteral("certificatefile_fuzzer"));
    files.add(fileSeed(0, userPem + CertificateFactory::keyToEncryptedPem(user.key.data(), password)));
    files.add(
        fileSeed(0, CertificateFactory::toPemBundle(chain) + userPem + CertificateFactory::keyToPem(user.key.data())));
    files.add(fileSeed(1, serverDer));
    files.add(fileSeed(4, caDer));
    files.add(fileSeed(2, CertificateFactory::toPkcs12(server, password, chain, QStringLiteral("seed"))));
    files.add(fileSeed(2, CertificateFactory::toPkcs12(user, QByteArray())));
    files.add(fileSeed(3, userPem));

    Corpus outlines(top, QStringLiteral("certificateoutline_fuzzer"));
    outlines.add(caDer);
    outlines.add(serverDer);
    outlines.add(userDer);

    Corpus calls(top, QStringLiteral("servicecall_fuzzer"));
    calls.add(callSeed(0, serverDer.toBase64()));
    calls.add(callSeed(2, caDer));
    calls.add(callSeed(1, caItem.toBase64(), { QStringLiteral("ssl-ca"), QStringLiteral("common-ca") }));
    calls.add(callSeed(1, userDer.toBase64(), { QStringLiteral("smime-user") }));
    calls.add(callSeed(3, userItem, { QStringLiteral("wifi-user"), QStringLiteral("smime-user") }));
    calls.add(callSeed(3, serverItem, { QStringLiteral("ssl-user") }));

    const bool ok = base64.isOk() && items.isOk() && files.isOk() && outlines.isOk() && calls.isOk();
    return ok ? 0 : 1;
}
