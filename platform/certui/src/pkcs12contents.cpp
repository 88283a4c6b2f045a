#include "pkcs12contents.h"

#include "passwordsource.h"
#include "platformlog.h"

#include <openssl/err.h>
#include <openssl/pkcs12.h>
#include <openssl/provider.h>

namespace Pkcs12Contents {

namespace {

PKCS12 *parseArchive(const QByteArray &data)
{
    const unsigned char *cursor = reinterpret_cast<const unsigned char *>(data.constData());
    PKCS12 *archive = d2i_PKCS12(nullptr, &cursor, data.size());
    ERR_clear_error();
    return archive;
}

// Archives made by older tools use ciphers that only the legacy provider
// offers. It is loaded once, keeping the default provider in place.
void allowLegacyCiphers()
{
    static const bool loaded = OSSL_PROVIDER_try_load(nullptr, "legacy", 1) != nullptr;
    (void)loaded;
    ERR_clear_error();
}

bool unpack(PKCS12 *archive, const char *password, FileContents &contents)
{
    EVP_PKEY *key = nullptr;
    X509 *cert = nullptr;
    STACK_OF(X509) *others = nullptr;
    if (PKCS12_parse(archive, password, &key, &cert, &others) != 1) {
        ERR_clear_error();
        return false;
    }
    if (cert)
        contents.certificates.emplace_back(cert);
    for (int i = 0; others && i < sk_X509_num(others); ++i)
        contents.certificates.emplace_back(sk_X509_value(others, i));
    sk_X509_free(others); // the certificates now belong to contents
    if (key)
        contents.keys.emplace_back(key);
    return true;
}

// True when the password opens the archive. With an integrity MAC the
// password is checked against it, so that an archive that is merely damaged
// is not taken for a wrong password.
enum class Attempt {
    Opened,
    WrongPassword,
    Unreadable
};

Attempt open(PKCS12 *archive, const char *password, FileContents &contents)
{
    const bool hasMac = PKCS12_mac_present(archive);
    if (hasMac && PKCS12_verify_mac(archive, password, -1) != 1
        && !(password && !*password && PKCS12_verify_mac(archive, nullptr, 0) == 1)) {
        ERR_clear_error();
        return Attempt::WrongPassword;
    }
    if (unpack(archive, password, contents))
        return Attempt::Opened;
    allowLegacyCiphers();
    if (unpack(archive, password, contents))
        return Attempt::Opened;
    return hasMac ? Attempt::Unreadable : Attempt::WrongPassword;
}

} // namespace

bool isPkcs12(const QByteArray &data)
{
    PKCS12 *archive = parseArchive(data);
    PKCS12_free(archive);
    return archive != nullptr;
}

ReadResult read(const QByteArray &data, FileContents &contents, PasswordSource *passwords)
{
    PKCS12 *archive = parseArchive(data);
    if (!archive) {
        PLATFORM_LOG_ERROR("Pkcs12Contents: not a PKCS#12 archive");
        return ReadResult::Failed;
    }
    ReadResult result = ReadResult::Failed;
    Attempt attempt = open(archive, "", contents);
    while (attempt == Attempt::WrongPassword && passwords) {
        QString entered;
        if (!passwords->ask(entered)) {
            result = ReadResult::Cancelled;
            break;
        }
        const QByteArray utf8 = entered.toUtf8();
        attempt = open(archive, utf8.constData(), contents);
        if (attempt == Attempt::WrongPassword)
            passwords->wrong();
    }
    if (attempt == Attempt::Opened)
        result = ReadResult::Read;
    else if (attempt == Attempt::Unreadable)
        PLATFORM_LOG_ERROR("Pkcs12Contents: the archive cannot be unpacked");
    PKCS12_free(archive);
    return result;
}

} // namespace Pkcs12Contents
