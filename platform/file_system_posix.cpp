#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/file_system.h"

namespace platform {
namespace {

FileIdentity identityOf(const struct stat& info) {
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

// Non-blocking, so that a FIFO never stalls the run; only regular files pass.
File openRegularFile(FileSystem& fileSystem, int dirFd, const char* path, FileStatus& status) {
    const int fd = openat(dirFd, path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return {};
    File file(fileSystem, fd);
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return {};
    status.size = static_cast<std::int64_t>(info.st_size);
    status.identity = identityOf(info);
    return file;
}

class PosixListing final : public DirectoryListing {
public:
    PosixListing(FileSystem& fileSystem, DIR* dir) : m_fileSystem(fileSystem), m_dir(dir) {}
    ~PosixListing() override { closedir(m_dir); }
    PosixListing(const PosixListing&) = delete;
    PosixListing& operator=(const PosixListing&) = delete;

    bool next(std::string& name, EntryKind& kind) override {
        const dirent* entry = readdir(m_dir);
        if (entry == nullptr) return false;
        name.assign(entry->d_name);
        // Links and unknown types are resolved by attributes(), which follows links.
        switch (entry->d_type) {
            case DT_DIR:
                kind = EntryKind::directory;
                break;
            case DT_REG:
                kind = EntryKind::file;
                break;
            default:
                kind = EntryKind::unknown;
                break;
        }
        return true;
    }

    bool identity(FileIdentity& identity) override {
        struct stat info {};
        if (fstat(dirfd(m_dir), &info) != 0) return false;
        identity = identityOf(info);
        return true;
    }

    File openFile(const std::string& name, const std::string&, FileStatus& status) override {
        return openRegularFile(m_fileSystem, dirfd(m_dir), name.c_str(), status);
    }

private:
    FileSystem& m_fileSystem;
    DIR* m_dir;
};

class PosixFileSystem final : public FileSystem {
public:
    std::unique_ptr<DirectoryListing> openListing(const std::string& dir,
                                                  std::uint32_t& error) override {
        // The trailing separator makes "" the root, as the listing pattern does on Windows.
        DIR* handle = opendir((dir + '/').c_str());
        if (handle == nullptr) {
            error = static_cast<std::uint32_t>(errno);
            return nullptr;
        }
        return std::make_unique<PosixListing>(*this, handle);
    }

    std::uint32_t attributes(const std::string& path) override {
        struct stat info {};
        if (stat(path.c_str(), &info) != 0) return kInvalidAttributes;
        return S_ISDIR(info.st_mode) ? kDirectoryAttribute : 0;
    }

    File open(const std::string& path, FileStatus& status) override {
        return openRegularFile(*this, AT_FDCWD, path.c_str(), status);
    }

    File openContent(const std::string& path) override {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        return fd < 0 ? File() : File(*this, fd);
    }

    bool canonicalPath(const std::string& path, std::string& canonical) override {
        char* resolved = realpath(path.c_str(), nullptr);
        if (resolved == nullptr) return false;
        canonical.assign(resolved);
        std::free(resolved);
        return true;
    }

    bool namesIgnoreCase() const override { return false; }

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

    void adviseSequential(NativeHandle handle) override {
        posix_fadvise(static_cast<int>(handle), 0, 0, POSIX_FADV_SEQUENTIAL);
    }

    void close(NativeHandle handle) override { ::close(static_cast<int>(handle)); }
};

}  // namespace

FileSystem& realFileSystem() {
    static PosixFileSystem fileSystem;
    return fileSystem;
}

}  // namespace platform
