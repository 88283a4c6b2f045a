#include "base64.h"

#include <limits>

namespace Base64 {

CryptoBuffer decode(const QByteArray &text, int *length)
{
    unsigned char *decoded = nullptr;
    *length = base64_decode(text.constData(), &decoded);
    return CryptoBuffer(decoded);
}

// Written straight into the text, in the form of base64_encode (standard
// alphabet, padded, one line): a listing encodes thousands of certificates,
// and the library's buffer would be allocated, wiped, freed and converted
// once more for each.
QString encode(const void *data, size_t length)
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    if ((!data && length) || length > size_t(std::numeric_limits<int>::max() / 4 * 3 - 3))
        return QString();
    const auto *bytes = static_cast<const unsigned char *>(data);
    QString text(int((length + 2) / 3 * 4), Qt::Uninitialized);
    QChar *out = text.data();
    size_t i = 0;
    for (; i + 3 <= length; i += 3) {
        const quint32 triple = (quint32(bytes[i]) << 16) | (quint32(bytes[i + 1]) << 8) | bytes[i + 2];
        *out++ = QLatin1Char(alphabet[(triple >> 18) & 63]);
        *out++ = QLatin1Char(alphabet[(triple >> 12) & 63]);
        *out++ = QLatin1Char(alphabet[(triple >> 6) & 63]);
        *out++ = QLatin1Char(alphabet[triple & 63]);
    }
    if (i < length) {
        const bool two = length - i == 2;
        const quint32 triple = (quint32(bytes[i]) << 16) | (two ? quint32(bytes[i + 1]) << 8 : 0);
        *out++ = QLatin1Char(alphabet[(triple >> 18) & 63]);
        *out++ = QLatin1Char(alphabet[(triple >> 12) & 63]);
        *out++ = two ? QLatin1Char(alphabet[(triple >> 6) & 63]) : QLatin1Char('=');
        *out++ = QLatin1Char('=');
    }
    return text;
}

QString encode(const QByteArray &data)
{
    return encode(data.constData(), size_t(data.size()));
}

} // namespace Base64
