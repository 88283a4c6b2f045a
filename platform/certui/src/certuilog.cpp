#include "certuilog.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <syslog.h>

#include <openssl/err.h>

namespace CertUiLog {

static std::string baseName(const char *file)
{
    const char *start = std::strrchr(file, '/');
    start = start ? start + 1 : file;
    const char *dot = std::strrchr(start, '.');
    return dot ? std::string(start, dot - start) : std::string(start);
}

void error(const char *file, int line, const char *format, ...)
{
    char message[4096];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);

    const std::string base = baseName(file);
    syslog(LOG_ERR, "%s(%d): ERROR %s", base.c_str(), line, message);
    if (std::getenv("TRUSTKEEP_LOG_STDERR"))
        std::fprintf(stderr, "%s(%d): ERROR %s\n", base.c_str(), line, message);
}

const char *lastOpenSslError()
{
    // One buffer per thread: the file scan parses in a worker thread.
    static thread_local char text[256];
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0)
        return "unknown error";
    ERR_error_string_n(code, text, sizeof text);
    return text;
}

} // namespace CertUiLog
