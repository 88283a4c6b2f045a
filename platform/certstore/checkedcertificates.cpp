#include "checkedcertificates.h"

#include "certificatefile.h"

#include <bastra_crypto.h>

#include <openssl/crypto.h>
#include <openssl/x509.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace bastra_internal {

CheckedCertificates &CheckedCertificates::instance()
{
    static CheckedCertificates checked;
    return checked;
}

int CheckedCertificates::read(const std::string &folder, const std::string &keyIdName,
                              std::vector<unsigned char> *der)
{
    const std::string path = folder + '/' + keyIdName;
    int result = readCertificateBytes(folder, keyIdName, der);
    if (!result) {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto known = m_entries.find(path);
        if (known != m_entries.end() && known->second.content == *der) {
            if (!known->second.encoding.empty())
                *der = known->second.encoding;
            return 0;
        }
    }
    Checked checked;
    if (!result)
        result = check(folder, keyIdName, *der, &checked);
    if (result) {
        der->clear();
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto known = m_entries.find(path);
        if (known != m_entries.end()) {
            m_bytes -= known->second.content.size() + known->second.encoding.size();
            m_entries.erase(known);
        }
        return result;
    }
    if (!checked.encoding.empty())
        *der = checked.encoding;
    remember(path, std::move(checked));
    return 0;
}

// The check of bastra_certman_load_cert; the encoding is kept only when the
// file holds the certificate in another form than its DER (a shared domain's
// file is not necessarily written by the store).
int CheckedCertificates::check(const std::string &folder, const std::string &keyIdName,
                               const std::vector<unsigned char> &content, Checked *checked)
{
    X509 *cert = nullptr;
    const int result = parseCertificateBytes(folder, keyIdName, content, &cert);
    if (result)
        return result;
    unsigned char *encoded = nullptr;
    const int length = i2d_X509(cert, &encoded);
    X509_free(cert);
    if (length <= 0 || !encoded) {
        OPENSSL_free(encoded);
        bastra_crypto_set_last_error("certificate file %s/%s cannot be encoded", folder.c_str(), keyIdName.c_str());
        return EBADMSG;
    }
    checked->content = content;
    if (static_cast<size_t>(length) != content.size() || !std::equal(content.begin(), content.end(), encoded))
        checked->encoding.assign(encoded, encoded + length);
    OPENSSL_free(encoded);
    return 0;
}

void CheckedCertificates::remember(const std::string &path, Checked checked)
{
    const size_t size = checked.content.size() + checked.encoding.size();
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto earlier = m_entries.find(path);
    if (earlier != m_entries.end())
        m_bytes -= earlier->second.content.size() + earlier->second.encoding.size();
    if (m_bytes + size > maximumBytes) {
        m_entries.clear();
        m_bytes = 0;
    }
    m_entries[path] = std::move(checked);
    m_bytes += size;
}

} // namespace bastra_internal
