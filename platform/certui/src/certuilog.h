#ifndef CERTUILOG_H
#define CERTUILOG_H

// Failures of this library go to the system log at LOG_ERR as
//   "<source base name>(<line>): ERROR <message>"
// and also to standard error when TRUSTKEEP_LOG_STDERR is set, the same form
// the programs using the library write.

namespace CertUiLog {

void error(const char *file, int line, const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

// The text of OpenSSL's most recent error (and clears the queue), or
// "unknown error" when the queue is empty.
const char *lastOpenSslError();

} // namespace CertUiLog

#define CERTUI_LOG_ERROR(...) ::CertUiLog::error(__FILE__, __LINE__, __VA_ARGS__)

#endif
