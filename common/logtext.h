#ifndef TRUSTKEEP_LOGTEXT_H
#define TRUSTKEEP_LOGTEXT_H

#include <QByteArray>
#include <QString>

// Text that came from a caller (D-Bus arguments, command lines, certificate
// names) goes into a log line only through here: control characters and
// line separators become visible escapes ("\n", "\x1b", "\u2028") and a
// backslash is doubled, so no caller can start a log line of its own or
// hide part of one.
namespace LogText {

QByteArray escaped(const QString &text);

} // namespace LogText

// Usage: TK_LOG_ERROR("'%s' is not a valid key id", TK_LOG_TEXT(key));
#define TK_LOG_TEXT(text) (::LogText::escaped(text).constData())

#endif
