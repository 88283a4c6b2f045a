#include "filescanner.h"

#include "fileformat.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileScanner {

namespace {

// Reads a regular file of at most the size ceiling; false for anything else.
// O_NONBLOCK keeps a pipe or device that carries a certificate-like name
// from stalling the scan; such entries are refused after fstat.
bool readSmallFile(const QByteArray &path, QByteArray &content)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat info;
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= FileFormat::maxFileSize;
    if (ok) {
        content.resize(int(info.st_size));
        qint64 done = 0;
        while (done < info.st_size) {
            const ssize_t got = ::read(fd, content.data() + done, size_t(info.st_size - done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += got;
        }
        content.resize(int(done));
    }
    ::close(fd);
    return ok;
}

bool isCertificateFile(const QByteArray &path, CertificateFile::Format byName)
{
    QByteArray content;
    return readSmallFile(path, content) && FileFormat::holdsCertificate(content, byName);
}

class Walk
{
public:
    explicit Walk(const std::atomic<bool> &cancelled)
        : m_cancelled(cancelled)
    {
    }

    void given(const QString &path)
    {
        const QByteArray local = QFile::encodeName(path);
        struct stat info;
        if (local.isEmpty() || ::stat(local.constData(), &info) != 0)
            return;
        if (S_ISDIR(info.st_mode))
            walk(local, info);
        else if (S_ISREG(info.st_mode) && isCertificateFile(local, FileFormat::forName(path)))
            m_found.insert(path);
    }

    QStringList found() const
    {
        QStringList list;
        for (const QString &path : m_found)
            list << path;
        return list;
    }

private:
    using FileId = std::pair<dev_t, ino_t>;

    // An explicit stack rather than recursion: a deep tree cannot exhaust
    // the worker's stack.
    void walk(const QByteArray &root, const struct stat &rootInfo)
    {
        std::vector<QByteArray> pending{ root };
        m_seen.insert(FileId(rootInfo.st_dev, rootInfo.st_ino));
        while (!pending.empty() && !m_cancelled.load(std::memory_order_relaxed)) {
            const QByteArray folder = std::move(pending.back());
            pending.pop_back();
            listFolder(folder, pending);
        }
    }

    void listFolder(const QByteArray &folder, std::vector<QByteArray> &pending)
    {
        DIR *dir = ::opendir(folder.constData());
        if (!dir)
            return; // unreadable: passed over
        const int dirFd = ::dirfd(dir);
        while (struct dirent *entry = ::readdir(dir)) {
            const char *name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            consider(dirFd, folder, name, entry->d_type, pending);
        }
        ::closedir(dir);
    }

    static QByteArray join(const QByteArray &folder, const char *name)
    {
        QByteArray path = folder;
        if (!path.endsWith('/'))
            path += '/';
        return path + name;
    }

    // Most of a home folder is passed over on its name alone: nothing is
    // allocated or opened for an entry that cannot be a certificate file.
    void consider(int dirFd, const QByteArray &folder, const char *name, unsigned char type,
                  std::vector<QByteArray> &pending)
    {
        const CertificateFile::Format byName = formatOfName(name);
        if (type == DT_UNKNOWN && (byName != CertificateFile::UnknownFormat || name[0] != '.')) {
            // Some file systems do not fill in the type: ask without
            // following a link.
            struct stat info;
            if (::fstatat(dirFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
                return;
            type = S_ISDIR(info.st_mode) ? DT_DIR
                : S_ISLNK(info.st_mode)  ? DT_LNK
                : S_ISREG(info.st_mode)  ? DT_REG
                                         : DT_UNKNOWN;
        }
        if (type == DT_DIR) {
            if (name[0] == '.')
                return; // hidden folder
            struct stat info;
            if (::fstatat(dirFd, name, &info, AT_SYMLINK_NOFOLLOW) == 0
                && m_seen.insert(FileId(info.st_dev, info.st_ino)).second)
                pending.push_back(join(folder, name));
            return;
        }
        // A link is followed only to a file: readSmallFile refuses a folder.
        if ((type != DT_REG && type != DT_LNK) || byName == CertificateFile::UnknownFormat)
            return;
        const QByteArray path = join(folder, name);
        if (isCertificateFile(path, byName))
            m_found.insert(QFile::decodeName(path));
    }

    static CertificateFile::Format formatOfName(const char *name)
    {
        const char *dot = std::strrchr(name, '.');
        if (!dot || std::strlen(dot) != 4)
            return CertificateFile::UnknownFormat;
        return FileFormat::forName(QString::fromLatin1(dot));
    }

    const std::atomic<bool> &m_cancelled;
    std::set<FileId> m_seen;
    std::set<QString> m_found;
};

} // namespace

QStringList scan(const QStringList &paths, const std::atomic<bool> &cancelled)
{
    Walk walk(cancelled);
    for (const QString &path : paths) {
        if (cancelled.load(std::memory_order_relaxed))
            break;
        walk.given(path);
    }
    return walk.found();
}

} // namespace FileScanner
