#ifndef BASTRA_CERTMAN_H
#define BASTRA_CERTMAN_H

/* The device certificate store: certificates kept in named domains, private
 * keys kept under passwords. Results are errno values, 0 meaning success;
 * bastra_crypto_last_error_str() tells the latest failure in words. */

#include <openssl/evp.h>
#include <openssl/x509.h>
#include <stddef.h>

/* Only the functions below are exported; everything else in the library is
 * hidden. */
#if defined(__GNUC__)
#define BASTRA_CERTMAN_API __attribute__((visibility("default")))
#else
#define BASTRA_CERTMAN_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define BASTRA_KEY_ID_SIZE 20
#define BASTRA_KEY_ID_TEXT_SIZE (2 * BASTRA_KEY_ID_SIZE + 1)

/* SHA-1 of the subject public key bits: a certificate and its private key
 * share one key id. Textual form: 40 lowercase hex digits. */
typedef struct bastra_key_id {
    unsigned char data[BASTRA_KEY_ID_SIZE];
} bastra_key_id;

typedef struct bastra_domain_s *bastra_domain;

/* Domain open modes. */
#define BASTRA_DOMAIN_PRIVATE 0 /* the user's own domain, created on first add */
#define BASTRA_DOMAIN_SHARED 1 /* a system domain, read-only */

/* Domain iteration flags. */
#define BASTRA_ITERATE_PRIVATE 0
#define BASTRA_ITERATE_SHARED 1

typedef int (*bastra_certman_domain_cb)(int index, const char *domain, void *user);
typedef int (*bastra_certman_cert_cb)(int index, X509 *cert, void *user);
typedef int (*bastra_certman_der_cb)(int index, const unsigned char *der, size_t length, void *user);

/* Checks that the store is usable (negative errno when not). Nothing needs
 * it first; calling open and close any number of times is harmless. */
BASTRA_CERTMAN_API int bastra_certman_open(void *reserved);
BASTRA_CERTMAN_API int bastra_certman_close(void *reserved);

/* Calls cb once per domain, in name order, until it returns non-zero.
 * flags: BASTRA_ITERATE_PRIVATE or BASTRA_ITERATE_SHARED. Returns 0 when the
 * walk ran, also when cb stopped it; an errno value when it could not. */
BASTRA_CERTMAN_API int bastra_certman_iterate_domains(int flags, bastra_certman_domain_cb cb, void *user);

/* Makes a credential token current for the domain openings that follow. */
BASTRA_CERTMAN_API int bastra_certman_set_credentials(const char *token);

/* The token made current last, or "" when none has been. */
BASTRA_CERTMAN_API const char *bastra_certman_get_credentials(void);

BASTRA_CERTMAN_API int bastra_certman_open_domain(const char *name, int mode, bastra_domain *domain);
BASTRA_CERTMAN_API int bastra_certman_close_domain(bastra_domain domain);

/* Calls cb once per certificate, in key-id order, until it returns non-zero.
 * The certificate belongs to the store; cb must not free it. cb may add or
 * remove certificates of the domain. Unreadable entries are skipped (the last
 * error names them). Returns 0 when the walk ran, also when cb stopped it. */
BASTRA_CERTMAN_API int bastra_certman_iterate_certs(bastra_domain domain, bastra_certman_cert_cb cb, void *user);

/* The same walk, handing over each certificate's DER encoding (what i2d_X509
 * gives for the certificate iterate_certs would pass) instead of a parsed
 * certificate: the same entries in the same order, damaged ones skipped
 * alike. A file is parsed and checked only when its content differs from
 * what it held at its last check, so a repeated listing costs little more
 * than reading the files. The bytes are the store's, valid during cb only. */
BASTRA_CERTMAN_API int bastra_certman_iterate_cert_ders(bastra_domain domain, bastra_certman_der_cb cb, void *user);

BASTRA_CERTMAN_API int bastra_certman_add_cert(bastra_domain domain, X509 *cert); /* EEXIST when present */
BASTRA_CERTMAN_API int bastra_certman_rm_cert(bastra_domain domain,
                                              const bastra_key_id *key_id); /* ENOENT when absent */
BASTRA_CERTMAN_API int bastra_certman_load_cert(bastra_domain domain, const bastra_key_id *key_id, X509 **cert);

/* Key ids. */
BASTRA_CERTMAN_API int bastra_certman_str_to_key_id(const char *text, bastra_key_id *key_id);
BASTRA_CERTMAN_API int bastra_certman_key_id_to_str(const bastra_key_id *key_id, char *text, size_t size);
BASTRA_CERTMAN_API int bastra_certman_get_cert_key_id(X509 *cert, bastra_key_id *key_id);
BASTRA_CERTMAN_API int bastra_certman_get_key_key_id(EVP_PKEY *key, bastra_key_id *key_id);

/* Private keys, encrypted under a password (UTF-8; "" is a valid password,
 * null is refused). store_key replaces an earlier key and refuses (EINVAL) a
 * key whose key id is not key_id; retrieve_key gives EACCES for a wrong
 * password, ENOENT when there is no key. The returned key is the caller's
 * (EVP_PKEY_free). */
BASTRA_CERTMAN_API int bastra_certman_store_key(const bastra_key_id *key_id, EVP_PKEY *key, const char *password);
BASTRA_CERTMAN_API int bastra_certman_retrieve_key(const bastra_key_id *key_id, EVP_PKEY **key, const char *password);
BASTRA_CERTMAN_API int bastra_certman_remove_key(const bastra_key_id *key_id);

/* A name to show for the certificate: common name, else organisation, else
 * the first subject entry; truncated to fit. Non-zero when there is none. */
BASTRA_CERTMAN_API int bastra_certman_get_nickname(X509 *cert, char *buffer, size_t size);

#ifdef __cplusplus
}
#endif

#endif
