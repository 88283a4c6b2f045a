#ifndef BASTRA_PLATFORMLOG_H
#define BASTRA_PLATFORMLOG_H

// Failures of the platform libraries go to the system log at LOG_ERR as
//   "<source base name>(<line>): ERROR <message>"
// the form the device's programs write, and also to standard error when
// TRUSTKEEP_LOG_STDERR (or the toolkit's ZELVO_LOG_STDERR, the control panel's
// PLIX_LOG_STDERR) is set.
// Private to the platform libraries; none of them exports it.
namespace PlatformLog {

void error(const char *file, int line, const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

} // namespace PlatformLog

#define PLATFORM_LOG_ERROR(...) ::PlatformLog::error(__FILE__, __LINE__, __VA_ARGS__)

#endif
