#ifndef PASSWORDSOURCE_H
#define PASSWORDSOURCE_H

#include <QString>

// Where a file reader gets the password of protected contents from.
class PasswordSource
{
public:
    virtual ~PasswordSource() = default;

    // Asks for a password; false when the user declines.
    virtual bool ask(QString &password) = 0;
    // Tells the user the password last given was wrong, before asking again.
    virtual void wrong() = 0;
};

#endif
