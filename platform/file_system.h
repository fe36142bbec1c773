#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/open_error.h"
#include "platform/read_queue.h"

namespace platform {

using NativeHandle = std::intptr_t;

// Same identity means same file: device and inode, or volume serial and file id. Equal,
// ordered and hashed on every bit.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    // The upper half of a file id of 128 bits (ReFS), 0 where ids are shorter.
    std::uint64_t indexHigh = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
    friend auto operator<=>(const FileIdentity&, const FileIdentity&) = default;
    // An identity that could not be read tells nothing about sameness.
    bool known() const { return *this != FileIdentity{}; }
};

struct FileIdentityHash {
    std::size_t operator()(const FileIdentity& identity) const {
        std::uint64_t hash = identity.volume;
        for (const std::uint64_t part : {identity.index, identity.indexHigh}) {
            hash = (hash ^ part) * 0x9E3779B97F4A7C15ull;
            hash ^= hash >> 32;
        }
        return static_cast<std::size_t>(hash);
    }
};

// When a file's data or status last changed, in the system's own units: a write
// moves both, so equal stamps before and after reading mean an undisturbed read.
struct FileStamps {
    std::int64_t modified = 0;
    std::int64_t changed = 0;
    friend bool operator==(const FileStamps&, const FileStamps&) = default;
};

// What the system tells about a file.
struct FileStatus {
    std::int64_t size = -1;
    FileIdentity identity;  // unknown where the system gave none
    FileStamps stamps;
    std::uint32_t links = 0;  // the names the file has; 0 where the system did not say
};

// What an entry is, links followed. `unreadable`: its kind could not be read.
// `placeholder`: a file whose content lies elsewhere, which opening or reading would
// fetch (a cloud file kept online only); like `special`, it is never opened.
enum class EntryKind { directory, file, special, unreadable, placeholder };

struct DirectoryEntry {
    std::string name;
    EntryKind kind = EntryKind::unreadable;
    // The entry itself is a symbolic link or another reparse point.
    bool isLink = false;
    // A file's status where the listing learnt it on its way; size -1 where it did not.
    FileStatus status;
};

class FileSystem;

// How the finder means to read a file, so the system reads ahead only what it will use.
enum class Access { random, sequential };

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
    // The file's status as it is now; false when it can't be read.
    bool status(FileStatus& status) const;
    void advise(Access access) const;
    void close();
    // For the platform's own read queues.
    NativeHandle nativeHandle() const { return m_handle; }
    // Gives up the handle unclosed, for the platform to close with others.
    NativeHandle release() {
        m_fileSystem = nullptr;
        return m_handle;
    }

private:
    FileSystem* m_fileSystem = nullptr;
    NativeHandle m_handle = 0;
};

// A file opened by name, or why it could not be.
struct OpenedFile {
    File file;  // empty where it could not be opened
    FileStatus status;
    OpenError error;
};

// A directory kept open once listed, so that its files open by their names alone: no
// path is walked again.
class Directory {
public:
    virtual ~Directory() = default;
};

// A file to open: by its `name` in `directory` where that was kept (`path` may then be
// empty), by `path` otherwise.
struct OpenRequest {
    const Directory* directory;
    const char* name;
    const char* path;
};

// One open directory enumeration, "." and ".." included.
class DirectoryListing {
public:
    virtual ~DirectoryListing() = default;
    // False when there are no more entries.
    virtual bool next(DirectoryEntry& entry) = 0;
    virtual bool identity(FileIdentity& identity) = 0;
    // The status of the file `entry` of this listing, and whether it may be opened for
    // reading, learnt without opening it where the system tells enough (Windows opens
    // a link, whose entry describes the link and not its target). False when it can't
    // be opened, or is no longer a regular file.
    virtual bool describe(const DirectoryEntry& entry, FileStatus& status) = 0;
    // Opens the listing of the subdirectory `name`, whose full path is `path`, as
    // FileSystem::openListing does; relative to this one where the system allows, so
    // that no depth of tree makes a path too long.
    virtual std::unique_ptr<DirectoryListing> openDirectory(const std::string& name,
                                                            const std::string& path,
                                                            OpenError& error) = 0;
    // Once every entry is read: the directory, kept for its files to be opened by name
    // after the listing is gone; null where files are opened by path only.
    virtual std::unique_ptr<Directory> keep() { return nullptr; }
};

// The file-system operations the finder needs; tests substitute their own.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Null when the listing can't start, and `error` says why.
    virtual std::unique_ptr<DirectoryListing> openListing(const std::string& dir,
                                                          OpenError& error) = 0;
    // Opens a regular file for reading. Anything else fails without being opened, so
    // that no FIFO or device is ever disturbed.
    virtual OpenedFile open(const std::string& path) = 0;
    // Opens each file as open() does, into `files[k]`: many at once where the system
    // allows.
    virtual void openAll(const std::vector<OpenRequest>& requests, std::vector<OpenedFile>& files);
    // Closes the files, many at once where the system allows.
    virtual void closeAll(std::vector<File>& files) { files.clear(); }
    // File::advise for each, many at once where the system allows.
    virtual void adviseAll(const std::vector<const File*>& files, Access access);
    // The status of the regular file `path` leads to now, without reading it; false for
    // anything else. `entry`: where the system tells which directory entry the name
    // reached, links followed, a key for it: names of one entry have equal keys (and
    // two entries may, seldom, share one); 0 where it does not tell.
    virtual bool statusAt(const std::string& path, FileStatus& status, std::uint64_t& entry) = 0;
    // True where two names differing only in letter case name the same entry.
    virtual bool namesIgnoreCase() const = 0;
    // True where a file held open keeps other programs from changing or removing it.
    virtual bool openFilesHinderOthers() const { return false; }
    // A queue for reading files of this file system many at a time.
    virtual std::unique_ptr<ReadQueue> readQueue() { return makeSynchronousReadQueue(); }

private:
    friend class File;
    virtual std::int64_t readAt(NativeHandle handle, std::int64_t offset, void* buffer,
                                std::size_t count) = 0;
    virtual bool status(NativeHandle handle, FileStatus& status) = 0;
    virtual void advise(NativeHandle handle, Access access) = 0;
    virtual void close(NativeHandle handle) = 0;
};

FileSystem& realFileSystem();

}  // namespace platform
