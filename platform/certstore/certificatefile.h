#ifndef BASTRA_CERTIFICATEFILE_H
#define BASTRA_CERTIFICATEFILE_H

#include <bastra_certman.h>

#include <string>
#include <vector>

namespace bastra_internal {

// A certificate is kept as one DER file named by its key id in hex.
std::string keyIdText(const bastra_key_id &keyId);
bool isKeyIdFileName(const char *name);

// Reads and checks a certificate file: it must hold exactly one certificate,
// and that certificate's key id must be the file's name. ENOENT when absent,
// EBADMSG when the content is damaged (last error says why).
int readCertificateFile(const std::string &folder, const std::string &keyIdName, X509 **cert);

// The reading half of readCertificateFile: the file's bytes, unchecked.
int readCertificateBytes(const std::string &folder, const std::string &keyIdName, std::vector<unsigned char> *der);
// The checking half: the certificate that bytes read from folder/keyIdName
// hold, or EBADMSG (last error says why).
int parseCertificateBytes(const std::string &folder, const std::string &keyIdName,
                          const std::vector<unsigned char> &der, X509 **cert);

// EEXIST when the domain already holds the key id.
int writeCertificateFile(const std::string &folder, X509 *cert, const bastra_key_id &keyId);

} // namespace bastra_internal

#endif
