#include <bastra_certman.h>
#include <bastra_crypto.h>

#include <openssl/asn1.h>
#include <openssl/crypto.h>
#include <openssl/objects.h>
#include <openssl/x509.h>

#include <cerrno>
#include <cstring>
#include <string>

// The name a certificate is shown by: its common name, else its organisation,
// else the first subject entry with a value. Entries are converted to UTF-8 and
// cut only between characters.

namespace {

std::string entryText(const X509_NAME_ENTRY *entry)
{
    unsigned char *utf8 = nullptr;
    const int length = ASN1_STRING_to_UTF8(&utf8, X509_NAME_ENTRY_get_data(entry));
    std::string text;
    if (length > 0)
        text.assign(reinterpret_cast<const char *>(utf8), strnlen(reinterpret_cast<const char *>(utf8), length));
    OPENSSL_free(utf8);
    return text;
}

std::string firstOf(const X509_NAME *name, int nid)
{
    for (int i = X509_NAME_get_index_by_NID(name, nid, -1); i >= 0; i = X509_NAME_get_index_by_NID(name, nid, i)) {
        std::string text = entryText(X509_NAME_get_entry(name, i));
        if (!text.empty())
            return text;
    }
    return std::string();
}

std::string displayName(const X509_NAME *name)
{
    std::string text = firstOf(name, NID_commonName);
    if (text.empty())
        text = firstOf(name, NID_organizationName);
    for (int i = 0; text.empty() && i < X509_NAME_entry_count(name); ++i)
        text = entryText(X509_NAME_get_entry(name, i));
    return text;
}

// Longest prefix of at most limit bytes that does not end inside a UTF-8
// sequence.
size_t cutPoint(const std::string &text, size_t limit)
{
    if (text.size() <= limit)
        return text.size();
    size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xc0) == 0x80)
        --cut;
    return cut;
}

} // namespace

extern "C" int bastra_certman_get_nickname(X509 *cert, char *buffer, size_t size)
{
    if (!cert || !buffer || size == 0) {
        bastra_crypto_set_last_error("bastra_certman_get_nickname: missing certificate or buffer");
        return EINVAL;
    }
    buffer[0] = '\0';
    const std::string text = displayName(X509_get_subject_name(cert));
    if (text.empty()) {
        bastra_crypto_set_last_error("bastra_certman_get_nickname: certificate has no subject name");
        return ENOENT;
    }
    const size_t length = cutPoint(text, size - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return 0;
}
