#ifndef ZELVOLOG_H
#define ZELVOLOG_H

// The toolkit logs its failures as the rest of the device does: syslog at
// LOG_ERR as "<source base name>(<line>): ERROR <message>", and on standard
// error too when TRUSTKEEP_LOG_STDERR or ZELVO_LOG_STDERR is set.
namespace ZelvoLog {

void error(const char *file, int line, const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

} // namespace ZelvoLog

#define ZELVO_LOG_ERROR(...) ::ZelvoLog::error(__FILE__, __LINE__, __VA_ARGS__)

#endif
