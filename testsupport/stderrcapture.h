#ifndef TRUSTKEEP_STDERRCAPTURE_H
#define TRUSTKEEP_STDERRCAPTURE_H

#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

// What the code wrote to standard error while it ran (the test's own log
// lines; set TRUSTKEEP_LOG_STDERR first for the product's).
template <typename Code> QByteArray capturedStderr(Code code)
{
    QTemporaryFile file;
    if (!file.open())
        return "<no capture file>";
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(file.handle(), STDERR_FILENO);
    code();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    file.seek(0);
    return file.readAll();
}

#endif
