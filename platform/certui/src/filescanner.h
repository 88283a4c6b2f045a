#ifndef FILESCANNER_H
#define FILESCANNER_H

#include <QStringList>

#include <atomic>

// The folder walk behind CertificateFileModel::populate. It runs in a worker
// thread and touches no Qt object but strings.
namespace FileScanner {

// The certificate files among and under the given paths, sorted, each once.
// A folder is walked recursively: hidden folders are skipped, links to
// folders are not followed, entries that cannot be read and files over the
// size ceiling are passed over, and only names with a certificate extension
// whose content holds a certificate count. A given file counts when its
// content holds a certificate in any format, whatever its name. Anything
// else given (a missing path, a program) adds nothing. Returns early, with
// what it found so far, once `cancelled` is set.
QStringList scan(const QStringList &paths, const std::atomic<bool> &cancelled);

} // namespace FileScanner

#endif
