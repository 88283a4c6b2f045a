#ifndef ITEMIMAGE_H
#define ITEMIMAGE_H

#include <QByteArray>

class CertificateItem;

// The serialized form of a CertificateItem, the form in which items cross
// the bus as Base64 text.
//
//   magic     8 bytes  00 'C' 'E' 'R' 'T' 'I' 'T' 'M'   (never a DER start)
//   version   u16      1
//   cert      bytes    DER certificate
//   name      text     common name, UTF-8
//   keyId     text     the store's textual key id
//   purposes  u32 count, then that many texts
//   itemType, userDomains, authPreference   i32 each
//   flags     u8       1 CA, 2 has key, 4 stored; other bits must be clear
//   key       bytes    PKCS#8 DER private key; empty unless "has key"
//
// Integers are big-endian; "bytes" and "text" are a u32 length and that many
// bytes. Every length has a ceiling, and nothing may follow the last field.
namespace ItemImage {

bool write(const CertificateItem &item, QByteArray &out);

// All or nothing: the item is changed only when the whole image is sound and
// agrees with its own certificate (key id, name, CA flag, and a private key
// that belongs to the certificate).
bool read(CertificateItem &item, const QByteArray &data);

} // namespace ItemImage

#endif
