#include "platformlog.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <syslog.h>

namespace PlatformLog {

static std::string baseName(const char *file)
{
    const char *start = std::strrchr(file, '/');
    start = start ? start + 1 : file;
    const char *dot = std::strrchr(start, '.');
    return dot && dot != start ? std::string(start, dot - start) : std::string(start);
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
    if (std::getenv("TRUSTKEEP_LOG_STDERR") || std::getenv("ZELVO_LOG_STDERR") || std::getenv("PLIX_LOG_STDERR"))
        std::fprintf(stderr, "%s(%d): ERROR %s\n", base.c_str(), line, message);
}

} // namespace PlatformLog
