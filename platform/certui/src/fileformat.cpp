#include "fileformat.h"

#include "pemcontents.h"
#include "pkcs12contents.h"

#include <openssl/err.h>

namespace FileFormat {

namespace {

X509 *derCertificate(const QByteArray &content)
{
    const unsigned char *cursor = reinterpret_cast<const unsigned char *>(content.constData());
    X509 *cert = d2i_X509(nullptr, &cursor, content.size());
    ERR_clear_error();
    return cert;
}

bool holdsDerCertificate(const QByteArray &content)
{
    X509 *cert = derCertificate(content);
    X509_free(cert);
    return cert != nullptr;
}

} // namespace

CertificateFile::Format forName(const QString &path)
{
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    if (dot < 0 || dot < slash)
        return CertificateFile::UnknownFormat;
    const QString extension = path.mid(dot + 1).toLower();
    if (extension == QLatin1String("p12") || extension == QLatin1String("pfx"))
        return CertificateFile::Pkcs12Format;
    if (extension == QLatin1String("der"))
        return CertificateFile::DerFormat;
    if (extension == QLatin1String("pem") || extension == QLatin1String("crt") || extension == QLatin1String("cer"))
        return CertificateFile::PemFormat;
    return CertificateFile::UnknownFormat;
}

CertificateFile::Format detect(const QByteArray &content, CertificateFile::Format byName)
{
    switch (byName) {
    case CertificateFile::UnknownFormat:
        // A file the user named, whatever its name.
        if (PemContents::looksLikePem(content))
            return CertificateFile::PemFormat;
        return Pkcs12Contents::isPkcs12(content) ? CertificateFile::Pkcs12Format : CertificateFile::DerFormat;
    case CertificateFile::Pkcs12Format:
        return CertificateFile::Pkcs12Format;
    default:
        // .crt and .cer files come in both encodings, and so do some .der and
        // .pem files in the wild: the content decides.
        return PemContents::looksLikePem(content) ? CertificateFile::PemFormat : CertificateFile::DerFormat;
    }
}

bool holdsCertificate(const QByteArray &content, CertificateFile::Format byName)
{
    switch (detect(content, byName)) {
    case CertificateFile::PemFormat:
        return PemContents::holdsCertificate(content);
    case CertificateFile::DerFormat:
        return holdsDerCertificate(content);
    case CertificateFile::Pkcs12Format:
        return Pkcs12Contents::isPkcs12(content);
    default:
        return false;
    }
}

ReadResult read(const QByteArray &content, CertificateFile::Format format, FileContents &contents,
                PasswordSource *passwords)
{
    switch (format) {
    case CertificateFile::PemFormat:
        return PemContents::read(content, contents, passwords);
    case CertificateFile::Pkcs12Format:
        return Pkcs12Contents::read(content, contents, passwords);
    case CertificateFile::DerFormat:
        if (X509 *cert = derCertificate(content)) {
            contents.certificates.emplace_back(cert);
            return ReadResult::Read;
        }
        return ReadResult::Failed;
    default:
        return ReadResult::Failed;
    }
}

} // namespace FileFormat
