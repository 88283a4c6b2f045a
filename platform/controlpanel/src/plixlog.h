#ifndef PLIXLOG_H
#define PLIXLOG_H

// The control panel logs its failures as the rest of the device does: syslog
// at LOG_ERR as "<source base name>(<line>): ERROR <message>", and on standard
// error too when PLIX_LOG_STDERR, ZELVO_LOG_STDERR or TRUSTKEEP_LOG_STDERR is set.
namespace PlixLog {

void error(const char *file, int line, const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

} // namespace PlixLog

#define PLIX_LOG_ERROR(...) ::PlixLog::error(__FILE__, __LINE__, __VA_ARGS__)

#endif
