#include "cryptobuffer.h"

#include <bastra_crypto.h>

#include <openssl/crypto.h>

#include <cstdint>
#include <cstdlib>

namespace {

// The size is kept in front of the caller's bytes. The header is 16 bytes so
// the caller's part stays aligned for any type.
struct alignas(16) BufferHeader {
    size_t size;
    uint64_t magic;
};

constexpr uint64_t bufferMagic = 0x62617374726162ull;

} // namespace

namespace bastra_internal {

void *allocateBuffer(size_t size)
{
    if (size > SIZE_MAX - sizeof(BufferHeader))
        return nullptr;
    auto *header = static_cast<BufferHeader *>(std::malloc(sizeof(BufferHeader) + size));
    if (!header)
        return nullptr;
    header->size = size;
    header->magic = bufferMagic;
    return header + 1;
}

} // namespace bastra_internal

extern "C" void bastra_crypto_free(void *buffer)
{
    if (!buffer)
        return;
    BufferHeader *header = static_cast<BufferHeader *>(buffer) - 1;
    if (header->magic != bufferMagic) {
        // A best-effort guard against a buffer from another allocator:
        // leaking it is safer than corrupting the heap.
        bastra_crypto_set_last_error("bastra_crypto_free: buffer was not handed out by this library");
        return;
    }
    OPENSSL_cleanse(buffer, header->size);
    header->magic = 0;
    std::free(header);
}
