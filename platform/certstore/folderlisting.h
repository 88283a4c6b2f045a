#ifndef BASTRA_FOLDERLISTING_H
#define BASTRA_FOLDERLISTING_H

#include <string>
#include <vector>

namespace bastra_internal {

enum class EntryKind {
    Folder,
    Any
};

// Names in a folder that satisfy accept and are of the given kind, sorted
// bytewise. A missing folder lists as empty. 0 or an errno value.
int listFolder(const std::string &folder, EntryKind kind, bool (*accept)(const char *name),
               std::vector<std::string> *names);

} // namespace bastra_internal

#endif
