#ifndef TRUSTKEEP_LOG_H
#define TRUSTKEEP_LOG_H

// Every failure goes to the system log at LOG_ERR as
//   "<source base name>(<line>): ERROR <message>"
// When TRUSTKEEP_LOG_STDERR is set the same line also goes to standard error,
// which is how tests read what the program logged.

namespace TrustkeepLog {

void error(const char *file, int line, const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

} // namespace TrustkeepLog

// Usage: TK_LOG_ERROR("Could not open database: %s", text);
#define TK_LOG_ERROR(...) ::TrustkeepLog::error(__FILE__, __LINE__, __VA_ARGS__)

#endif
