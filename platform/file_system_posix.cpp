#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string_view>
#include <utility>

#include "platform/batched_io_posix.h"
#include "platform/descriptor_posix.h"
#include "platform/file_system.h"
#include "platform/open_error_posix.h"
#include "platform/regular_open_posix.h"

namespace platform {
namespace {

std::int64_t nanoseconds(const timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

FileIdentity identityOf(const struct stat& info) {
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

void fillStatus(const struct stat& info, FileStatus& status) {
    status.size = static_cast<std::int64_t>(info.st_size);
    status.identity = identityOf(info);
    status.stamps = {nanoseconds(info.st_mtim), nanoseconds(info.st_ctim)};
    status.links = static_cast<std::uint32_t>(info.st_nlink);
}

EntryKind kindOf(mode_t mode) {
    return S_ISDIR(mode)   ? EntryKind::directory
           : S_ISREG(mode) ? EntryKind::file
                           : EntryKind::special;
}

// Calls `use(dirFd, rest)` with `rest` short enough for one system call: a path
// longer than the system accepts is resolved a few components at a time, each
// relative to the directory reached so far, which follows links as one call would.
template <typename Use>
int withShortPath(const std::string& path, Use use) {
    std::string_view rest = path;
    int at = AT_FDCWD;
    Descriptor held;
    while (rest.size() >= PATH_MAX) {
        const std::size_t cut = rest.rfind('/', PATH_MAX - 1);
        if (cut == std::string_view::npos || cut == 0) {
            errno = ENAMETOOLONG;
            return -1;
        }
        const std::string piece(rest.substr(0, cut));
        const int next = openat(at, piece.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (next < 0) return -1;
        held.reset(next);
        at = next;
        rest.remove_prefix(cut);
        while (!rest.empty() && rest.front() == '/') rest.remove_prefix(1);
    }
    return use(at, std::string(rest).c_str());
}

std::unique_ptr<DirectoryListing> listingOf(FileSystem& fileSystem, int fd, OpenError& error);

int adviceOf(Access access) {
    return access == Access::random ? POSIX_FADV_RANDOM : POSIX_FADV_SEQUENTIAL;
}

// What an open of a regular file gave: the file and its status, or why there is none.
OpenedFile openedFrom(FileSystem& fileSystem, int fd, const struct stat& info) {
    OpenedFile opened;
    if (fd >= 0) {
        opened.file = File(fileSystem, fd);
        fillStatus(info, opened.status);
    } else if (fd == kNotRegular) {
        opened.error = {OpenError::Kind::notRegular};
    } else {
        opened.error = openErrorOf(-fd);
    }
    return opened;
}

// Whether this process may open `name` for reading, asked without opening it: with
// its effective ids, as an open checks. Where the system lacks that call (before
// Linux 5.8) or a sandbox refuses it, the plain call answers for the real ids, which
// are the same unless the program was made set-user-id; then only the open can tell.
bool mayRead(int dirFd, const char* name) {
    if (faccessat(dirFd, name, R_OK, AT_EACCESS) == 0) return true;
    if (errno != ENOSYS && errno != EPERM) return false;
    if (getuid() != geteuid() || getgid() != getegid()) return true;
    return syscall(SYS_faccessat, dirFd, name, R_OK) == 0;
}

class PosixDirectory final : public Directory {
public:
    explicit PosixDirectory(int fd) : m_fd(fd) {}
    int fd() const { return m_fd.get(); }

private:
    Descriptor m_fd;
};

class PosixListing final : public DirectoryListing {
public:
    PosixListing(FileSystem& fileSystem, DIR* dir)
        : m_fileSystem(fileSystem), m_dir(dir), m_fd(dirfd(dir)) {}
    ~PosixListing() override {
        if (m_dir != nullptr) {
            closedir(m_dir);
        } else if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    PosixListing(const PosixListing&) = delete;
    PosixListing& operator=(const PosixListing&) = delete;

    bool next(DirectoryEntry& entry) override {
        const dirent* found = m_dir != nullptr ? readdir(m_dir) : nullptr;
        if (found == nullptr) {
            keepOnlyDescriptor();
            return false;
        }
        entry.name.assign(found->d_name);
        entry.isLink = false;
        entry.status = {};
        // The listing's type spares a status call for all but links and unknown types.
        switch (found->d_type) {
            case DT_DIR:
                entry.kind = EntryKind::directory;
                break;
            case DT_REG:
                entry.kind = EntryKind::file;
                break;
            case DT_LNK:
                entry.isLink = true;
                lookAt(entry, 0);
                break;
            case DT_UNKNOWN:
                lookAt(entry, AT_SYMLINK_NOFOLLOW);
                if (entry.kind == EntryKind::special && entry.isLink) lookAt(entry, 0);
                break;
            default:
                entry.kind = EntryKind::special;
                break;
        }
        return true;
    }

    bool identity(FileIdentity& identity) override {
        struct stat info {};
        if (fstat(m_fd, &info) != 0) return false;
        identity = identityOf(info);
        return true;
    }

    bool describe(const DirectoryEntry& entry, FileStatus& status) override {
        status = entry.status;
        if (status.size < 0) {
            struct stat info {};
            if (fstatat(m_fd, entry.name.c_str(), &info, 0) != 0 || !S_ISREG(info.st_mode)) {
                return false;
            }
            fillStatus(info, status);
        }
        return mayRead(m_fd, entry.name.c_str());
    }

    std::unique_ptr<DirectoryListing> openDirectory(const std::string& name, const std::string&,
                                                    OpenError& error) override {
        return listingOf(m_fileSystem,
                         openat(m_fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), error);
    }

    std::unique_ptr<Directory> keep() override {
        if (m_dir != nullptr || m_fd < 0) return nullptr;
        return std::make_unique<PosixDirectory>(std::exchange(m_fd, -1));
    }

private:
    // A listing read to its end is kept for what opens relative to it: its descriptor
    // alone, without the stream's buffer, so that each level a deep walk holds costs
    // little memory.
    void keepOnlyDescriptor() {
        if (m_dir == nullptr) return;
        const int fd = fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
        if (fd < 0) return;
        closedir(m_dir);
        m_dir = nullptr;
        m_fd = fd;
    }

    // The kind of the entry, and the status of a file, as fstatat with `flags` sees them.
    void lookAt(DirectoryEntry& entry, int flags) const {
        struct stat info {};
        if (fstatat(m_fd, entry.name.c_str(), &info, flags) != 0) {
            entry.kind = EntryKind::unreadable;
            return;
        }
        entry.isLink = entry.isLink || S_ISLNK(info.st_mode);
        entry.kind = kindOf(info.st_mode);
        if (entry.kind == EntryKind::file) fillStatus(info, entry.status);
    }

    FileSystem& m_fileSystem;
    DIR* m_dir;  // null once read to the end
    int m_fd;
};

// Takes over `fd`, a directory opened for listing, or reports why it could not be.
std::unique_ptr<DirectoryListing> listingOf(FileSystem& fileSystem, int fd, OpenError& error) {
    DIR* handle = fd < 0 ? nullptr : fdopendir(fd);
    if (handle == nullptr) {
        error = openErrorOf(errno);
        if (fd >= 0) ::close(fd);
        return nullptr;
    }
    return std::make_unique<PosixListing>(fileSystem, handle);
}

class PosixFileSystem final : public FileSystem {
public:
    std::unique_ptr<DirectoryListing> openListing(const std::string& dir,
                                                  OpenError& error) override {
        // The trailing separator makes "" the root, as the listing pattern does on Windows.
        const int fd = withShortPath(dir + '/', [](int at, const char* rest) {
            return openat(at, rest, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        });
        return listingOf(*this, fd, error);
    }

    OpenedFile open(const std::string& path) override {
        struct stat info {};
        // -errno, as the open of a regular file gives, whether the path was too long
        // to resolve or the open failed.
        const int fd = withShortPath(path, [&info](int at, const char* rest) {
            const int opened = openRegularAt(at, rest, info);
            if (opened >= 0) return opened;
            errno = -opened;
            return -1;
        });
        return openedFrom(*this, fd < 0 ? -errno : fd, info);
    }

    // By name in a kept directory, else by path: a long one is resolved a piece at a
    // time, the others many at once.
    void openAll(const std::vector<OpenRequest>& requests, std::vector<OpenedFile>& files) override {
        files.clear();
        files.resize(requests.size());
        std::vector<int> dirFds;
        std::vector<const char*> names;
        std::vector<std::size_t> which;
        for (std::size_t k = 0; k < requests.size(); ++k) {
            const OpenRequest& request = requests[k];
            if (request.directory != nullptr) {
                dirFds.push_back(static_cast<const PosixDirectory*>(request.directory)->fd());
                names.push_back(request.name);
            } else if (std::strlen(request.path) >= PATH_MAX) {
                files[k] = open(request.path);
                continue;
            } else {
                dirFds.push_back(AT_FDCWD);
                names.push_back(request.path);
            }
            which.push_back(k);
        }
        std::vector<int> fds;
        std::vector<struct stat> infos;
        openRegularFiles(fileBatch(), dirFds, names, fds, infos);
        for (std::size_t j = 0; j < which.size(); ++j) {
            files[which[j]] = openedFrom(*this, fds[j], infos[j]);
        }
    }

    void closeAll(std::vector<File>& files) override {
        std::vector<int> fds;
        for (File& file : files) {
            if (file) fds.push_back(static_cast<int>(file.release()));
        }
        files.clear();
        fileBatch().close(fds);
    }

    void adviseAll(const std::vector<const File*>& files, Access access) override {
        std::vector<int> fds;
        for (const File* file : files) fds.push_back(static_cast<int>(file->nativeHandle()));
        fileBatch().advise(fds, adviceOf(access));
    }

    // A name that is a link was told as such by its listing.
    bool statusAt(const std::string& path, FileStatus& status, std::uint64_t& entry) override {
        entry = 0;
        struct stat info {};
        const int found = withShortPath(
            path, [&info](int at, const char* rest) { return fstatat(at, rest, &info, 0); });
        if (found != 0 || !S_ISREG(info.st_mode)) return false;
        fillStatus(info, status);
        return true;
    }

    bool namesIgnoreCase() const override { return false; }

    std::unique_ptr<ReadQueue> readQueue() override { return makeReadQueue(); }

private:
    std::int64_t readAt(NativeHandle handle, std::int64_t offset, void* buffer,
                        std::size_t count) override {
        // A regular file reads short only at its end, so one call answers: asking
        // past the end costs no second call to learn that nothing follows.
        for (;;) {
            const ssize_t got =
                pread(static_cast<int>(handle), buffer, count, static_cast<off_t>(offset));
            if (got >= 0 || errno != EINTR) return got < 0 ? -1 : static_cast<std::int64_t>(got);
        }
    }

    // Only regular files are opened; a status of anything else is never kept.
    bool status(NativeHandle handle, FileStatus& status) override {
        struct stat info {};
        if (fstat(static_cast<int>(handle), &info) != 0 || !S_ISREG(info.st_mode)) return false;
        fillStatus(info, status);
        return true;
    }

    void advise(NativeHandle handle, Access access) override {
        posix_fadvise(static_cast<int>(handle), 0, 0, adviceOf(access));
    }

    void close(NativeHandle handle) override { ::close(static_cast<int>(handle)); }
};

}  // namespace

FileSystem& realFileSystem() {
    static PosixFileSystem fileSystem;
    return fileSystem;
}

}  // namespace platform
