#include <bastra_crypto.h>

#include <cstring>

// A credential token names a permission of a package: "package::Name". Both
// halves are non-empty printable ASCII without blanks or further colons, so a
// token can never be mistaken for another or smuggle in control characters.

namespace {

constexpr size_t maximumTokenLength = 255;

bool isTokenCharacter(unsigned char c)
{
    return c > 0x20 && c < 0x7f && c != ':';
}

// Length of the run of token characters at the start of text.
size_t runLength(const char *text)
{
    size_t n = 0;
    while (isTokenCharacter(static_cast<unsigned char>(text[n])))
        ++n;
    return n;
}

} // namespace

extern "C" int bastra_crypto_token_is_valid(const char *token)
{
    if (!token)
        return 0;
    if (strnlen(token, maximumTokenLength + 1) > maximumTokenLength)
        return 0;
    const size_t package = runLength(token);
    if (package == 0 || std::strncmp(token + package, "::", 2) != 0)
        return 0;
    const char *name = token + package + 2;
    const size_t nameLength = runLength(name);
    return nameLength > 0 && name[nameLength] == '\0';
}
