#ifndef FILECONTENTS_H
#define FILECONTENTS_H

#include "opensslowners.h"

#include <vector>

// What a certificate file held, in file order, before keys are matched to
// their certificates.
struct FileContents {
    std::vector<OwnedX509> certificates;
    std::vector<OwnedKey> keys;
};

// How reading a file's contents ended.
enum class ReadResult {
    Read, // contents filled (possibly empty)
    Cancelled, // the user declined to give a password
    Failed // the data is not of the expected format
};

#endif
