#include "devicefiles.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bastra_internal {

namespace {

std::string folderOf(const std::string &path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// Makes a rename or removal inside the folder survive a crash.
int syncFolder(const std::string &folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int result = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return result;
}

int writeAll(int fd, const unsigned char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return 0;
}

// Writes and syncs a new temporary file in folder; its name goes to *temporary.
int writeTemporary(const std::string &folder, const void *data, size_t size, std::string *temporary)
{
    std::vector<char> name(folder.begin(), folder.end());
    static const char pattern[] = "/.tmp-XXXXXX";
    name.insert(name.end(), pattern, pattern + sizeof pattern);
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        return errno;
    *temporary = name.data();
    int result = ::fchmod(fd, 0600) == 0 ? 0 : errno;
    if (!result)
        result = writeAll(fd, static_cast<const unsigned char *>(data), size);
    if (!result && ::fsync(fd) != 0)
        result = errno;
    if (::close(fd) != 0 && !result)
        result = errno;
    if (result)
        ::unlink(temporary->c_str());
    return result;
}

// Why an existing name cannot be taken: a file is EEXIST, anything else is in
// the way of the file and says so.
int occupiedResult(const std::string &path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return EISDIR;
    return EEXIST;
}

} // namespace

std::string deviceRoot()
{
    const char *value = std::getenv("TRUSTKEEP_DEVICE_ROOT");
    std::string root = value ? value : "";
    while (!root.empty() && root.back() == '/')
        root.pop_back();
    return root;
}

std::string devicePath(const std::string &path)
{
    return deviceRoot() + path;
}

int makeFolders(const std::string &path, mode_t mode)
{
    if (path.empty())
        return EINVAL;
    size_t position = 0;
    while (position != std::string::npos) {
        position = path.find('/', position + 1);
        const std::string part = path.substr(0, position);
        if (part.empty() || part.back() == '/')
            continue;
        if (::mkdir(part.c_str(), mode) == 0) {
            // The umask must not loosen or tighten what the store relies on,
            // and the new folder must still be there after a crash.
            if (::chmod(part.c_str(), mode) != 0)
                return errno;
            const int synced = syncFolder(folderOf(part));
            if (synced)
                return synced;
            continue;
        }
        if (errno != EEXIST)
            return errno;
        struct stat st;
        if (::stat(part.c_str(), &st) != 0)
            return errno;
        if (!S_ISDIR(st.st_mode))
            return ENOTDIR;
    }
    return 0;
}

int writeFileAtomically(const std::string &path, const void *data, size_t size, bool replace)
{
    const std::string folder = folderOf(path);
    std::string temporary;
    int result = writeTemporary(folder, data, size, &temporary);
    if (result)
        return result;
    if (replace) {
        if (::rename(temporary.c_str(), path.c_str()) != 0) {
            result = errno;
            ::unlink(temporary.c_str());
            return result;
        }
    } else {
        // link() refuses an existing name atomically, so two writers of the
        // same file cannot both succeed.
        if (::link(temporary.c_str(), path.c_str()) != 0) {
            result = errno == EEXIST ? occupiedResult(path) : errno;
            ::unlink(temporary.c_str());
            return result;
        }
        ::unlink(temporary.c_str());
    }
    return syncFolder(folder);
}

int readSmallFile(const std::string &path, size_t limit, std::vector<unsigned char> *content)
{
    content->clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno;
    struct stat st;
    int result = ::fstat(fd, &st) == 0 ? 0 : errno;
    if (!result && S_ISDIR(st.st_mode))
        result = EISDIR;
    else if (!result && !S_ISREG(st.st_mode))
        result = EINVAL;
    else if (!result && static_cast<unsigned long long>(st.st_size) > limit)
        result = EFBIG;
    if (!result) {
        content->resize(static_cast<size_t>(st.st_size));
        size_t done = 0;
        while (done < content->size()) {
            const ssize_t n = ::read(fd, content->data() + done, content->size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                result = errno;
                break;
            }
            if (n == 0)
                break; // the file shrank under us: keep what is there
            done += static_cast<size_t>(n);
        }
        content->resize(done);
    }
    ::close(fd);
    if (result)
        content->clear();
    return result;
}

int removeFile(const std::string &path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return errno;
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    if (::unlink(path.c_str()) != 0)
        return errno;
    return syncFolder(folderOf(path));
}

} // namespace bastra_internal
