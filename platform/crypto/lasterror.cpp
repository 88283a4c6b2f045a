#include <bastra_crypto.h>

#include <cstdarg>
#include <cstdio>

// One text per thread, shared by the crypto library and the certificate store:
// a caller asks right after a failure, on the thread that saw it.
static thread_local char lastError[512] = "no error";

extern "C" const char *bastra_crypto_last_error_str(void)
{
    return lastError;
}

extern "C" void bastra_crypto_set_last_error(const char *format, ...)
{
    if (!format) {
        lastError[0] = '\0';
        return;
    }
    va_list args;
    va_start(args, format);
    std::vsnprintf(lastError, sizeof lastError, format, args);
    va_end(args);
}
