#ifndef BASTRA_CRYPTO_H
#define BASTRA_CRYPTO_H

/* Device crypto services: Base64, encryption of data for a credential token,
 * and the buffers these services (and the certificate store) hand out. */

#include <stddef.h>

/* Only the functions below are exported; everything else in the library is
 * hidden. */
#if defined(__GNUC__)
#define BASTRA_CRYPTO_API __attribute__((visibility("default")))
#else
#define BASTRA_CRYPTO_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Base64 (RFC 4648, standard alphabet, padded). Returns a zero-terminated
 * text that the caller releases with bastra_crypto_free; null on failure. */
BASTRA_CRYPTO_API char *base64_encode(const unsigned char *data, size_t length);

/* Decodes Base64 text. ASCII whitespace is skipped; any other character
 * outside the alphabet, or malformed padding, is refused. On success *out is a
 * buffer (release with bastra_crypto_free) and the decoded length is returned;
 * on failure *out is null and a negative value is returned. */
BASTRA_CRYPTO_API int base64_decode(const char *text, unsigned char **out);

/* Encrypts data for the holders of a credential token ("package::Name").
 * 0 on success with *out (release with bastra_crypto_free) and *out_length;
 * non-zero (an errno value) when the token is refused or encryption fails. */
BASTRA_CRYPTO_API int bastra_crypto_encrypt(const void *data, size_t length, const char *token, unsigned char **out,
                                            size_t *out_length);

/* The reverse of bastra_crypto_encrypt, for holders of the token. Fails on
 * tampered data and on data encrypted for another token. */
BASTRA_CRYPTO_API int bastra_crypto_decrypt(const void *data, size_t length, const char *token, unsigned char **out,
                                            size_t *out_length);

/* Whether text has the form of a credential token: "package::Name", printable
 * ASCII without blanks, at most 255 characters. 1 when it has, else 0. */
BASTRA_CRYPTO_API int bastra_crypto_token_is_valid(const char *token);

/* Releases a buffer handed out by this library or by the certificate store.
 * A null pointer is ignored. */
BASTRA_CRYPTO_API void bastra_crypto_free(void *buffer);

/* Text of the latest failure of this library or of the certificate store, for
 * logs. Never null. */
BASTRA_CRYPTO_API const char *bastra_crypto_last_error_str(void);

/* Used by the certificate store to record its own failures. */
BASTRA_CRYPTO_API void bastra_crypto_set_last_error(const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

#ifdef __cplusplus
}
#endif

#endif
