#ifndef FILEPASSWORDS_H
#define FILEPASSWORDS_H

#include "passwordsource.h"

#include <QString>

#include <memory>

namespace FilePasswords {

// Asks the user for the password of a protected file through the password
// dialog (entering a password, with the file's name shown).
std::unique_ptr<PasswordSource> forFile(const QString &fileName);

} // namespace FilePasswords

#endif
