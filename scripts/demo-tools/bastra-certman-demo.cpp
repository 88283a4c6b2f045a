// Shows the certificate store at work on an emulated device: makes a CA and a
// user certificate, files them in domains, lists what is there, keeps the
// user's key under a password and seals data for a credential token. Runs
// only under TRUSTKEEP_DEVICE_ROOT, never on the real device paths.

#include "certificatefactory.h"

#include <bastra_certman.h>
#include <bastra_crypto.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char sslAddToken[] = "bastra-certman-common-ca::CertCASSLAdd";
const char wifiAddToken[] = "bastra-certman-common-ca::CertCAWifiAdd";
const char wifiUseToken[] = "bastra-certman-common-ca::CertUserWifiUse";

void step(const char *text)
{
    std::printf("\n== %s\n", text);
}

void report(const char *what, int result)
{
    if (result == 0)
        std::printf("   %-44s ok\n", what);
    else
        std::printf("   %-44s %d (%s): %s\n", what, result, std::strerror(result < 0 ? -result : result),
                    bastra_crypto_last_error_str());
}

QString keyIdText(X509 *cert)
{
    bastra_key_id id;
    char text[BASTRA_KEY_ID_TEXT_SIZE] = "?";
    if (bastra_certman_get_cert_key_id(cert, &id) == 0)
        bastra_certman_key_id_to_str(&id, text, sizeof text);
    return QString::fromLatin1(text);
}

int printCertificate(int index, X509 *cert, void *)
{
    char nickname[80];
    if (bastra_certman_get_nickname(cert, nickname, sizeof nickname) != 0)
        std::strcpy(nickname, "(no name)");
    std::printf("      %d. %s  %s\n", index + 1, qPrintable(keyIdText(cert)), nickname);
    return 0;
}

int printDomain(int, const char *name, void *user)
{
    const int mode = *static_cast<int *>(user);
    bastra_domain domain = nullptr;
    if (bastra_certman_open_domain(name, mode, &domain) != 0) {
        std::printf("   %s: cannot open: %s\n", name, bastra_crypto_last_error_str());
        return 0;
    }
    std::printf("   %s\n", name);
    bastra_certman_iterate_certs(domain, printCertificate, nullptr);
    bastra_certman_close_domain(domain);
    return 0;
}

void listDomains(int flags, const char *title)
{
    std::printf("   %s domains:\n", title);
    int mode = flags == BASTRA_ITERATE_SHARED ? BASTRA_DOMAIN_SHARED : BASTRA_DOMAIN_PRIVATE;
    bastra_certman_iterate_domains(flags, printDomain, &mode);
}

int addTo(const char *domainName, const char *token, X509 *cert)
{
    bastra_certman_set_credentials(token);
    bastra_domain domain = nullptr;
    int result = bastra_certman_open_domain(domainName, BASTRA_DOMAIN_PRIVATE, &domain);
    if (result == 0) {
        result = bastra_certman_add_cert(domain, cert);
        bastra_certman_close_domain(domain);
    }
    return result;
}

int removeFrom(const char *domainName, const char *token, X509 *cert)
{
    bastra_certman_set_credentials(token);
    bastra_key_id id;
    bastra_certman_get_cert_key_id(cert, &id);
    bastra_domain domain = nullptr;
    int result = bastra_certman_open_domain(domainName, BASTRA_DOMAIN_PRIVATE, &domain);
    if (result == 0) {
        result = bastra_certman_rm_cert(domain, &id);
        bastra_certman_close_domain(domain);
    }
    return result;
}

// What the system image brings along: a shared CA domain.
bool seedSharedDomain(const QString &root, X509 *cert)
{
    const QString path = root + QStringLiteral("/etc/bastra-certs/common-ca/") + keyIdText(cert);
    return CertificateFactory::writeFile(path, CertificateFactory::toDer(cert));
}

void keys(X509 *cert, EVP_PKEY *key)
{
    bastra_key_id id;
    bastra_certman_get_cert_key_id(cert, &id);
    report("store key under \"demo password\"", bastra_certman_store_key(&id, key, "demo password"));
    EVP_PKEY *back = nullptr;
    report("retrieve with \"guess\"", bastra_certman_retrieve_key(&id, &back, "guess"));
    report("retrieve with \"demo password\"", bastra_certman_retrieve_key(&id, &back, "demo password"));
    std::printf("   retrieved key matches the certificate: %s\n",
                back && X509_check_private_key(cert, back) == 1 ? "yes" : "no");
    EVP_PKEY_free(back);
}

void sealing()
{
    const char secret[] = "data only holders of the token may read";
    unsigned char *sealed = nullptr;
    size_t sealedLength = 0;
    report("encrypt for CertUserWifiUse",
           bastra_crypto_encrypt(secret, sizeof secret - 1, wifiUseToken, &sealed, &sealedLength));
    char *text = sealed ? base64_encode(sealed, sealedLength) : nullptr;
    std::printf("   sealed (Base64): %s\n", text ? text : "-");
    unsigned char *opened = nullptr;
    size_t openedLength = 0;
    report("decrypt with CertCAWifiAdd (wrong token)",
           bastra_crypto_decrypt(sealed, sealedLength, wifiAddToken, &opened, &openedLength));
    report("decrypt with CertUserWifiUse",
           bastra_crypto_decrypt(sealed, sealedLength, wifiUseToken, &opened, &openedLength));
    if (opened)
        std::printf("   opened: %.*s\n", int(openedLength), reinterpret_cast<const char *>(opened));
    bastra_crypto_free(opened);
    bastra_crypto_free(text);
    bastra_crypto_free(sealed);
}

} // namespace

int main()
{
    const char *root = std::getenv("TRUSTKEEP_DEVICE_ROOT");
    if (!root || !*root) {
        std::fprintf(stderr, "bastra-certman-demo: set TRUSTKEEP_DEVICE_ROOT to an emulated device folder\n");
        return 2;
    }
    std::printf("Emulated device: %s\n", root);

    step("Open the store");
    report("bastra_certman_open", bastra_certman_open(nullptr));

    step("Make test material");
    auto ca = CertificateFactory::makeCa(QStringLiteral("Demo Root CA"));
    CertificateOptions userOptions;
    userOptions.commonName = QStringLiteral("Demo Phone User");
    userOptions.organization = QStringLiteral("Demo Wireless");
    auto user = CertificateFactory::makeIssued(userOptions, ca);
    auto systemCa = CertificateFactory::makeCa(QStringLiteral("Demo System CA"));
    if (ca.isNull() || user.isNull() || systemCa.isNull()) {
        std::fprintf(stderr, "bastra-certman-demo: OpenSSL could not make the certificates\n");
        return 1;
    }
    std::printf("   CA   %s  Demo Root CA\n", qPrintable(keyIdText(ca.certificate.data())));
    std::printf("   user %s  Demo Phone User\n", qPrintable(keyIdText(user.certificate.data())));
    std::printf("   the system image brings \"common-ca\" with Demo System CA: %s\n",
                seedSharedDomain(QString::fromLocal8Bit(root), systemCa.certificate.data()) ? "ok" : "failed");

    step("Add certificates to domains");
    report("add CA to ssl-ca", addTo("ssl-ca", sslAddToken, ca.certificate.data()));
    report("add user certificate to wifi-user", addTo("wifi-user", wifiAddToken, user.certificate.data()));
    report("add CA to ssl-ca again (17 = present)", addTo("ssl-ca", sslAddToken, ca.certificate.data()));
    report("add to ../escape (refused name)", addTo("../escape", sslAddToken, ca.certificate.data()));
    bastra_domain shared = nullptr;
    bastra_certman_open_domain("common-ca", BASTRA_DOMAIN_SHARED, &shared);
    report("add to shared common-ca (read-only)", bastra_certman_add_cert(shared, ca.certificate.data()));
    bastra_certman_close_domain(shared);

    step("List the store");
    listDomains(BASTRA_ITERATE_PRIVATE, "Private");
    listDomains(BASTRA_ITERATE_SHARED, "Shared");

    step("Keep the user's private key under a password");
    keys(user.certificate.data(), user.key.data());

    step("Seal data for a credential token");
    sealing();

    step("Remove the user certificate");
    report("remove from wifi-user", removeFrom("wifi-user", wifiAddToken, user.certificate.data()));
    report("remove again (2 = absent)", removeFrom("wifi-user", wifiAddToken, user.certificate.data()));
    listDomains(BASTRA_ITERATE_PRIVATE, "Private");

    bastra_certman_close(nullptr);
    std::printf("\nDone. The store's files are under %s\n", root);
    return 0;
}
