#include <bastra_certman.h>
#include <bastra_crypto.h>

#include <cerrno>
#include <string>

// The token made current governs the domain openings that follow, in this
// process. The process has one thread, so one value is enough.
static std::string currentToken;

extern "C" int bastra_certman_set_credentials(const char *token)
{
    if (!bastra_crypto_token_is_valid(token)) {
        bastra_crypto_set_last_error("bastra_certman_set_credentials: token refused (expected package::Name)");
        return EINVAL;
    }
    currentToken = token;
    return 0;
}

extern "C" const char *bastra_certman_get_credentials(void)
{
    return currentToken.c_str();
}
