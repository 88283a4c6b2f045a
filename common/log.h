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

// The name a log line carries is the source file's base name. A class whose
// implementation is split over several files keeps one name in its log lines
// by defining TK_LOG_SOURCE (e.g. "dbusservice") before including this header.
#ifndef TK_LOG_SOURCE
#define TK_LOG_SOURCE __FILE__
#endif

// Usage: TK_LOG_ERROR("Could not open database: %s", text);
#define TK_LOG_ERROR(...) ::TrustkeepLog::error(TK_LOG_SOURCE, __LINE__, __VA_ARGS__)

#endif
