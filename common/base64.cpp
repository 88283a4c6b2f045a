#include "base64.h"

namespace Base64 {

CryptoBuffer decode(const QByteArray &text, int *length)
{
    unsigned char *decoded = nullptr;
    *length = base64_decode(text.constData(), &decoded);
    return CryptoBuffer(decoded);
}

QString encode(const void *data, size_t length)
{
    const CryptoText text(base64_encode(static_cast<const unsigned char *>(data), length));
    return QString::fromLatin1(text.get());
}

QString encode(const QByteArray &data)
{
    return encode(data.constData(), size_t(data.size()));
}

} // namespace Base64
