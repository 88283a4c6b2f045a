// Feeds arbitrary text to base64_decode, the first thing every certificate
// argument from the bus meets, and checks that whatever it accepts comes
// back unchanged through base64_encode.
#include <bastra_crypto.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The decoder reads a zero-terminated text; an embedded zero ends it.
    const std::string text(reinterpret_cast<const char *>(data), size);
    unsigned char *decoded = nullptr;
    const int length = base64_decode(text.c_str(), &decoded);
    if (length < 0) {
        if (decoded)
            std::abort(); // a failure must not hand out a buffer
        return 0;
    }
    char *encoded = base64_encode(decoded, size_t(length));
    if (!encoded)
        std::abort();
    unsigned char *again = nullptr;
    const int againLength = base64_decode(encoded, &again);
    if (againLength != length || (length > 0 && std::memcmp(again, decoded, size_t(length)) != 0))
        std::abort();
    bastra_crypto_free(again);
    bastra_crypto_free(encoded);
    bastra_crypto_free(decoded);
    return 0;
}
