#include "folderlisting.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>

namespace bastra_internal {

namespace {

bool isKind(const std::string &path, EntryKind kind)
{
    if (kind == EntryKind::Any)
        return true;
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

int listFolder(const std::string &folder, EntryKind kind, bool (*accept)(const char *name),
               std::vector<std::string> *names)
{
    names->clear();
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return errno == ENOENT ? 0 : errno;
    while (const dirent *entry = ::readdir(dir)) {
        if (accept(entry->d_name) && isKind(folder + '/' + entry->d_name, kind))
            names->emplace_back(entry->d_name);
    }
    ::closedir(dir);
    std::sort(names->begin(), names->end());
    return 0;
}

} // namespace bastra_internal
