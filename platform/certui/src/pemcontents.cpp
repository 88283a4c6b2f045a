#include "pemcontents.h"

#include "passwordsource.h"
#include "platformlog.h"

#include <cstring>

#include <openssl/err.h>
#include <openssl/pem.h>

namespace PemContents {

namespace {

struct PemBlock {
    char *name = nullptr;
    char *header = nullptr;
    unsigned char *data = nullptr;
    long length = 0;
    ~PemBlock()
    {
        OPENSSL_free(name);
        OPENSSL_free(header);
        OPENSSL_clear_free(data, size_t(length > 0 ? length : 0));
    }
};

bool isCertificateBlock(const char *name)
{
    return !std::strcmp(name, PEM_STRING_X509) || !std::strcmp(name, PEM_STRING_X509_OLD)
        || !std::strcmp(name, PEM_STRING_X509_TRUSTED);
}

bool isKeyBlock(const char *name)
{
    return !std::strcmp(name, PEM_STRING_PKCS8INF) || !std::strcmp(name, PEM_STRING_PKCS8)
        || !std::strcmp(name, PEM_STRING_RSA) || !std::strcmp(name, PEM_STRING_ECPRIVATEKEY)
        || !std::strcmp(name, PEM_STRING_DSA);
}

X509 *certificateOf(const PemBlock &block)
{
    const unsigned char *cursor = block.data;
    if (!std::strcmp(block.name, PEM_STRING_X509_TRUSTED))
        return d2i_X509_AUX(nullptr, &cursor, block.length);
    return d2i_X509(nullptr, &cursor, block.length);
}

// The password OpenSSL asks for while it decodes one key.
struct PasswordRequest {
    QByteArray password; // UTF-8
    bool known = false;
    bool asked = false;
};

int passwordCallback(char *buffer, int size, int, void *user)
{
    auto *request = static_cast<PasswordRequest *>(user);
    request->asked = true;
    if (!request->known || request->password.size() > size)
        return -1;
    std::memcpy(buffer, request->password.constData(), size_t(request->password.size()));
    return request->password.size();
}

EVP_PKEY *decodeKey(const PemBlock &block, PasswordRequest &request)
{
    BIO *bio = BIO_new(BIO_s_mem());
    if (!bio)
        return nullptr;
    EVP_PKEY *key = nullptr;
    request.asked = false;
    if (PEM_write_bio(bio, block.name, block.header, block.data, block.length) > 0)
        key = PEM_read_bio_PrivateKey(bio, nullptr, passwordCallback, &request);
    BIO_free(bio);
    ERR_clear_error();
    return key;
}

// One key block: plain keys decode at once; encrypted ones take the password
// that opened an earlier key, then what the user gives, until it fits or the
// user gives up.
ReadResult readKey(const PemBlock &block, PasswordRequest &request, PasswordSource *passwords, FileContents &contents)
{
    bool enteredForThisKey = false;
    for (;;) {
        if (EVP_PKEY *key = decodeKey(block, request)) {
            contents.keys.emplace_back(key);
            return ReadResult::Read;
        }
        if (!request.asked) {
            PLATFORM_LOG_ERROR("PemContents: skipping a private key that cannot be decoded");
            return ReadResult::Read;
        }
        if (!passwords) {
            // Only looking: an encrypted key is no reason to stop.
            return ReadResult::Read;
        }
        if (enteredForThisKey)
            passwords->wrong();
        QString entered;
        if (!passwords->ask(entered))
            return ReadResult::Cancelled;
        request.password = entered.toUtf8();
        request.known = true;
        enteredForThisKey = true;
    }
}

// Bundles made with cat from files that lack their final newline glue the
// next block's first line onto the last one ("-----END CERTIFICATE-----"
// directly followed by "-----BEGIN CERTIFICATE-----"); OpenSSL reads blocks
// line by line and would stop there. Every BEGIN line starts a line of its
// own again.
QByteArray withBlocksOnTheirOwnLines(const QByteArray &text)
{
    static const QByteArray begin = QByteArrayLiteral("-----BEGIN ");
    QByteArray out;
    int from = 0;
    for (int at = text.indexOf(begin); at >= 0; at = text.indexOf(begin, at + begin.size())) {
        if (at > 0 && text.at(at - 1) != '\n') {
            out.append(text.constData() + from, at - from);
            out.append('\n');
            from = at;
        }
    }
    if (from == 0)
        return text;
    out.append(text.constData() + from, text.size() - from);
    return out;
}

} // namespace

bool looksLikePem(const QByteArray &data)
{
    return data.contains("-----BEGIN ");
}

ReadResult read(const QByteArray &glued, FileContents &contents, PasswordSource *passwords)
{
    const QByteArray text = withBlocksOnTheirOwnLines(glued);
    BIO *bio = BIO_new_mem_buf(text.constData(), text.size());
    if (!bio)
        return ReadResult::Failed;
    PasswordRequest request;
    ReadResult result = ReadResult::Read;
    while (result == ReadResult::Read) {
        PemBlock block;
        if (PEM_read_bio(bio, &block.name, &block.header, &block.data, &block.length) != 1)
            break;
        if (isCertificateBlock(block.name)) {
            if (X509 *cert = certificateOf(block))
                contents.certificates.emplace_back(cert);
            else
                PLATFORM_LOG_ERROR("PemContents: skipping a certificate that cannot be decoded");
        } else if (isKeyBlock(block.name)) {
            result = readKey(block, request, passwords, contents);
        }
    }
    BIO_free(bio);
    ERR_clear_error();
    return result;
}

bool holdsCertificate(const QByteArray &glued)
{
    const QByteArray text = withBlocksOnTheirOwnLines(glued);
    BIO *bio = BIO_new_mem_buf(text.constData(), text.size());
    if (!bio)
        return false;
    bool found = false;
    while (!found) {
        PemBlock block;
        if (PEM_read_bio(bio, &block.name, &block.header, &block.data, &block.length) != 1)
            break;
        if (isCertificateBlock(block.name)) {
            X509 *cert = certificateOf(block);
            found = cert != nullptr;
            X509_free(cert);
        }
    }
    BIO_free(bio);
    ERR_clear_error();
    return found;
}

} // namespace PemContents
