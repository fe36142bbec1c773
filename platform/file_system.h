#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

using NativeHandle = std::intptr_t;

// Same identity means same file: device and inode, or volume serial and file index.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// What opening a file tells about it, read once at open time.
struct FileStatus {
    std::int64_t size = -1;
    FileIdentity identity;
};

// What a directory listing already knows about an entry; `unknown` means ask attributes().
enum class EntryKind { unknown, directory, file };

inline constexpr std::uint32_t kDirectoryAttribute = 0x10;
inline constexpr std::uint32_t kInvalidAttributes = 0xFFFFFFFF;

class FileSystem;

// An open file, closed when it goes out of scope.
class File {
public:
    File() = default;
    File(FileSystem& fileSystem, NativeHandle handle)
        : m_fileSystem(&fileSystem), m_handle(handle) {}
    File(File&& other) noexcept { *this = std::move(other); }
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File() { close(); }

    explicit operator bool() const { return m_fileSystem != nullptr; }
    // Bytes read at `offset` in one call, fewer only at end of file, -1 on error.
    std::int64_t readAt(std::int64_t offset, void* buffer, std::size_t count) const;
    void adviseSequential() const;
    void close();

private:
    FileSystem* m_fileSystem = nullptr;
    NativeHandle m_handle = 0;
};

// One open directory enumeration, "." and ".." included.
class DirectoryListing {
public:
    virtual ~DirectoryListing() = default;
    // False when there are no more entries.
    virtual bool next(std::string& name, EntryKind& kind) = 0;
    virtual bool identity(FileIdentity& identity) = 0;
    // Opens the entry `name`, whose full path is `path`, as FileSystem::open does,
    // without resolving the whole path again where the system allows.
    virtual File openFile(const std::string& name, const std::string& path, FileStatus& status) = 0;
};

// The file-system operations the finder needs; tests substitute their own.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Null when the listing can't start; `error` then holds the system's error code.
    virtual std::unique_ptr<DirectoryListing> openListing(const std::string& dir,
                                                          std::uint32_t& error) = 0;
    // Attribute bits of a path (kDirectoryAttribute), kInvalidAttributes when unreadable.
    virtual std::uint32_t attributes(const std::string& path) = 0;
    // Opens a regular file for reading without ever blocking; anything else fails.
    virtual File open(const std::string& path, FileStatus& status) = 0;
    // Opens a file only to read its bytes, its size and identity being known already;
    // never blocks either.
    virtual File openContent(const std::string& path) = 0;
    virtual bool canonicalPath(const std::string& path, std::string& canonical) = 0;
    // True where two names differing only in letter case name the same entry.
    virtual bool namesIgnoreCase() const = 0;

private:
    friend class File;
    virtual std::int64_t readAt(NativeHandle handle, std::int64_t offset, void* buffer,
                                std::size_t count) = 0;
    virtual void adviseSequential(NativeHandle handle) = 0;
    virtual void close(NativeHandle handle) = 0;
};

FileSystem& realFileSystem();

}  // namespace platform
