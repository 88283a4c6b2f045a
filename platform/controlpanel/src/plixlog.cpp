#include "plixlog.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <syslog.h>

namespace PlixLog {

static std::string baseName(const char *file)
{
    const char *slash = std::strrchr(file, '/');
    std::string name = slash ? slash + 1 : file;
    const std::string::size_type dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}

void error(const char *file, int line, const char *format, ...)
{
    char message[2048];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);

    const std::string source = baseName(file);
    syslog(LOG_ERR, "%s(%d): ERROR %s", source.c_str(), line, message);
    if (std::getenv("PLIX_LOG_STDERR") || std::getenv("ZELVO_LOG_STDERR") || std::getenv("TRUSTKEEP_LOG_STDERR"))
        std::fprintf(stderr, "%s(%d): ERROR %s\n", source.c_str(), line, message);
}

} // namespace PlixLog
