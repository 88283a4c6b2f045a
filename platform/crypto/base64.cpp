#include "cryptobuffer.h"

#include <bastra_crypto.h>

#include <climits>
#include <cstdint>
#include <cstring>

// Base64 with the standard alphabet and padding. Decoding is strict about
// everything except ASCII whitespace, so that one text has one meaning:
// stray characters and bad padding are refused rather than guessed at. Unused
// low bits of the last symbol are ignored, as the standard allows.

namespace {

const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr int notInAlphabet = -1;

int sextetOf(unsigned char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return notInAlphabet;
}

bool isAsciiWhitespace(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Counts the alphabet characters and the trailing '=' of the text, checking
// that padding comes only at the end and that nothing else is present.
bool scan(const char *text, size_t *symbols, size_t *padding)
{
    *symbols = 0;
    *padding = 0;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; ++p) {
        if (isAsciiWhitespace(*p))
            continue;
        if (*p == '=') {
            ++*padding;
            continue;
        }
        if (sextetOf(*p) == notInAlphabet) {
            bastra_crypto_set_last_error("base64_decode: character 0x%02x at offset %zu is not Base64", *p,
                                         static_cast<size_t>(p - reinterpret_cast<const unsigned char *>(text)));
            return false;
        }
        if (*padding) {
            bastra_crypto_set_last_error("base64_decode: data after padding");
            return false;
        }
        ++*symbols;
    }
    if (*padding > 2 || (*symbols + *padding) % 4 != 0 || (*padding && *symbols % 4 == 1)) {
        bastra_crypto_set_last_error("base64_decode: malformed padding or truncated text");
        return false;
    }
    return true;
}

} // namespace

extern "C" char *base64_encode(const unsigned char *data, size_t length)
{
    if (!data && length) {
        bastra_crypto_set_last_error("base64_encode: no data");
        return nullptr;
    }
    if (length > (SIZE_MAX - 1) / 4 * 3 - 3) {
        bastra_crypto_set_last_error("base64_encode: data too large");
        return nullptr;
    }
    const size_t textLength = (length + 2) / 3 * 4;
    char *text = static_cast<char *>(bastra_internal::allocateBuffer(textLength + 1));
    if (!text) {
        bastra_crypto_set_last_error("base64_encode: out of memory");
        return nullptr;
    }
    char *out = text;
    size_t i = 0;
    for (; i + 3 <= length; i += 3) {
        const uint32_t triple = (uint32_t(data[i]) << 16) | (uint32_t(data[i + 1]) << 8) | data[i + 2];
        *out++ = alphabet[(triple >> 18) & 63];
        *out++ = alphabet[(triple >> 12) & 63];
        *out++ = alphabet[(triple >> 6) & 63];
        *out++ = alphabet[triple & 63];
    }
    if (length - i == 1) {
        const uint32_t triple = uint32_t(data[i]) << 16;
        *out++ = alphabet[(triple >> 18) & 63];
        *out++ = alphabet[(triple >> 12) & 63];
        *out++ = '=';
        *out++ = '=';
    } else if (length - i == 2) {
        const uint32_t triple = (uint32_t(data[i]) << 16) | (uint32_t(data[i + 1]) << 8);
        *out++ = alphabet[(triple >> 18) & 63];
        *out++ = alphabet[(triple >> 12) & 63];
        *out++ = alphabet[(triple >> 6) & 63];
        *out++ = '=';
    }
    *out = '\0';
    return text;
}

extern "C" int base64_decode(const char *text, unsigned char **out)
{
    if (!out) {
        bastra_crypto_set_last_error("base64_decode: no output pointer");
        return -1;
    }
    *out = nullptr;
    if (!text) {
        bastra_crypto_set_last_error("base64_decode: no text");
        return -1;
    }
    size_t symbols = 0;
    size_t padding = 0;
    if (!scan(text, &symbols, &padding))
        return -1;
    const size_t length = symbols / 4 * 3 + (symbols % 4 ? symbols % 4 - 1 : 0);
    if (length > INT_MAX) {
        bastra_crypto_set_last_error("base64_decode: decoded data too large");
        return -1;
    }
    // One spare byte so that empty input still yields a buffer to free.
    unsigned char *buffer = static_cast<unsigned char *>(bastra_internal::allocateBuffer(length + 1));
    if (!buffer) {
        bastra_crypto_set_last_error("base64_decode: out of memory");
        return -1;
    }
    uint32_t bits = 0;
    int bitCount = 0;
    size_t written = 0;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; ++p) {
        const int sextet = sextetOf(*p);
        if (sextet == notInAlphabet)
            continue; // whitespace and padding, already checked by scan()
        bits = (bits << 6) | uint32_t(sextet);
        bitCount += 6;
        if (bitCount >= 8) {
            bitCount -= 8;
            buffer[written++] = static_cast<unsigned char>((bits >> bitCount) & 0xff);
        }
    }
    buffer[written] = 0;
    *out = buffer;
    return static_cast<int>(written);
}
