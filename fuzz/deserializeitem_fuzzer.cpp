// Feeds arbitrary bytes to CertificateItem::Deserialize, the way Base64 text
// from the bus reaches it, and round-trips whatever it accepts.
#include <certificateitem.h>

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    CertificateItem item;
    if (!CertificateItem::Deserialize(item, bytes))
        return 0;
    QByteArray again;
    if (!item.serialize(again))
        std::abort(); // an accepted image must serialize again
    CertificateItem copy;
    if (!CertificateItem::Deserialize(copy, again) || copy.keyId != item.keyId || copy.purposes != item.purposes
        || copy.hasKey != item.hasKey)
        std::abort();
    (void)item.id_strings();
    (void)item.attribute(CertificateItem::DisplayStrings);
    return 0;
}
