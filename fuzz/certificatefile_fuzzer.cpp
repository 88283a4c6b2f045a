// Feeds arbitrary bytes to the certificate-file readers (PEM with encrypted
// keys, DER, PKCS#12) the way the installer meets a file in the user's home.
// Protected content is opened with one fixed password, so the fuzzer gets
// past the decryption of archives and keys that its seeds protect with it.
//
// The first byte picks the name the file is read under (which format its
// extension promises), the rest is the content.
#include "filecontents.h"
#include "fileformat.h"
#include "fuzzpassword.h"
#include "passwordsource.h"

#include <certificatefile.h>
#include <certificateitem.h>

#include <QByteArray>
#include <QString>

#include <openssl/x509.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

const char fixedPassword[] = TRUSTKEEP_FUZZ_PASSWORD;

// Gives the fixed password once; a second question means it was wrong.
class FixedPassword : public PasswordSource
{
public:
    bool ask(QString &password) override
    {
        if (m_asked++ > 0)
            return false;
        password = QString::fromLatin1(fixedPassword);
        return true;
    }
    void wrong() override { }

private:
    int m_asked = 0;
};

const char *const names[] = { "file.pem", "file.der", "file.p12", "file.crt", "file" };

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > size_t(FileFormat::maxFileSize))
        return 0;
    const QString name = QString::fromLatin1(names[data[0] % (sizeof names / sizeof names[0])]);
    const QByteArray content(reinterpret_cast<const char *>(data + 1), int(size - 1));

    const CertificateFile::Format byName = FileFormat::forName(name);
    (void)FileFormat::holdsCertificate(content, byName);
    const CertificateFile::Format format = FileFormat::detect(content, byName);
    FileContents contents;
    FixedPassword passwords;
    if (FileFormat::read(content, format, contents, &passwords) != ReadResult::Read)
        return 0;
    // What the installer does next with what it read: items of the
    // certificates, keys matched to them, and the image sent over the bus.
    for (const OwnedX509 &certificate : contents.certificates) {
        CertificateItem item;
        if (!item.setCertificate(certificate.get()))
            continue;
        for (const OwnedKey &key : contents.keys) {
            if (X509_check_private_key(certificate.get(), key.get()) == 1 && item.setPrivateKey(key.get()))
                break;
        }
        QByteArray image;
        CertificateItem copy;
        if (item.serialize(image) && !CertificateItem::Deserialize(copy, image))
            std::abort(); // the installer's own image must be accepted by the service
    }
    return 0;
}
