#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/read_queue.h"

namespace platform {

using NativeHandle = std::intptr_t;

// Same identity means same file: device and inode, or volume serial and file index.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    // The upper half of a file id of 128 bits (ReFS), 0 where ids are shorter.
    std::uint64_t indexHigh = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
    // An identity that could not be read tells nothing about sameness.
    bool known() const { return *this != FileIdentity{}; }
};

// When a file's data or status last changed, in the system's own units: a write
// moves both, so equal stamps before and after reading mean an undisturbed read.
struct FileStamps {
    std::int64_t modified = 0;
    std::int64_t changed = 0;
    friend bool operator==(const FileStamps&, const FileStamps&) = default;
};

// What an open file tells about itself.
struct FileStatus {
    std::int64_t size = -1;
    FileIdentity identity;
    FileStamps stamps;
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

// One open directory enumeration, "." and ".." included.
class DirectoryListing {
public:
    virtual ~DirectoryListing() = default;
    // False when there are no more entries.
    virtual bool next(DirectoryEntry& entry) = 0;
    virtual bool identity(FileIdentity& identity) = 0;
    // Opens the regular file `name` of this directory, whose full path is `path`, as
    // FileSystem::open does, without resolving the whole path again where the system
    // allows.
    virtual File openFile(const std::string& name, const std::string& path, FileStatus& status) = 0;
    // The status of each regular file `names[k]` of this directory, whose full path is
    // `paths[k]`, opened as openFile opens it; `opened[k]` is false where it can't be.
    // Files opened with `k < keep` stay open in `kept[k]`, advised as openAll advises;
    // the others are closed again. Many at once where the system allows.
    virtual void statusOfFiles(const std::vector<std::string>& names,
                               const std::vector<std::string>& paths,
                               std::vector<FileStatus>& statuses, std::vector<bool>& opened,
                               std::size_t keep, std::vector<File>& kept);
    // Opens the listing of the subdirectory `name`, whose full path is `path`, as
    // FileSystem::openListing does; relative to this one where the system allows, so
    // that no depth of tree makes a path too long.
    virtual std::unique_ptr<DirectoryListing> openDirectory(const std::string& name,
                                                            const std::string& path,
                                                            std::uint32_t& error) = 0;

protected:
    // Moves `file` into `slot`, advised for reads at random places, if `keep`.
    static void keepIf(bool keep, File file, File& slot);
};

// The file-system operations the finder needs; tests substitute their own.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Null when the listing can't start; `error` then holds the system's error code.
    virtual std::unique_ptr<DirectoryListing> openListing(const std::string& dir,
                                                          std::uint32_t& error) = 0;
    // Opens a regular file for reading. Anything else fails without being opened, so
    // that no FIFO or device is ever disturbed.
    virtual File open(const std::string& path, FileStatus& status) = 0;
    // Opens each path as open() does, for reading at random places: many at once
    // where the system allows. `files[k]` is empty where open() would fail.
    virtual void openAll(const std::vector<const char*>& paths, std::vector<File>& files,
                         std::vector<FileStatus>& statuses);
    // Closes the files, many at once where the system allows.
    virtual void closeAll(std::vector<File>& files) { files.clear(); }
    // The status of the regular file `path` leads to now; false for anything else,
    // which is never opened.
    virtual bool statusAt(const std::string& path, FileStatus& status) {
        return static_cast<bool>(open(path, status));
    }
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
