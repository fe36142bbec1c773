// An in-memory file system for the finder's logic: directories, files and links,
// with paths joined by the platform's separator. Files are byte strings that can be
// made unopenable, failing or truncated, given attributes, or changed by a hook after
// a read; every read and every open is recorded, and opens beyond a limit of open
// handles are refused as the system refuses them. Its listings tell what Linux tells
// by default, or what Windows and Wine tell.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/file_system.h"

class FakeFileSystem final : public platform::FileSystem {
public:
    struct FakeFile {
        std::string bytes;
        std::int64_t announcedSize = -1;  // size reported at open; -1: the real one
        bool openable = true;
        std::int64_t failAt = -1;  // a read reaching this offset fails
        platform::FileIdentity identity;
        platform::FileStamps stamps;
        // Bits as a Windows listing gives them (platform/entry_attributes.h), beyond
        // those of a plain file: the listing tells the entry's kind from them.
        std::uint32_t attributes = 0;
        // Called after each read of this file, to change the tree at that moment.
        std::function<void()> afterRead;
    };
    struct Read {
        std::string path;
        std::int64_t offset;
        std::size_t count;  // bytes delivered
    };

    // Parent directories are made as needed. A path names one entry: adding a file
    // where a link was replaces the link, as a rename over it would.
    FakeFile& addFile(const std::string& path, std::string bytes);
    void addDirectory(const std::string& path);
    // A FIFO or a device: listed, never to be opened.
    void addSpecial(const std::string& path);
    // A symbolic link: `target` is a path from the root of this file system.
    void addLink(const std::string& path, const std::string& target);
    // Another name for the file at `target`: same bytes, same identity.
    void addHardLink(const std::string& path, const std::string& target);
    void remove(const std::string& path);
    FakeFile& file(const std::string& path);

    std::unique_ptr<platform::DirectoryListing> openListing(const std::string& dir,
                                                            platform::OpenError& error) override;
    platform::OpenedFile open(const std::string& path) override;
    void openAll(const std::vector<platform::OpenRequest>& requests,
                 std::vector<platform::OpenedFile>& files) override;
    bool statusAt(const std::string& path, platform::FileStatus& status,
                  std::uint64_t& entry) override;
    bool namesIgnoreCase() const override { return false; }
    // With lateReads, a read started through the queue is done only when it is
    // finished, the latest started first, four at most in flight: as a disk may.
    std::unique_ptr<platform::ReadQueue> readQueue() override;
    bool lateReads = false;
    bool openFilesHinderOthers() const override { return hinderOthers; }
    bool hinderOthers = false;
    // As Windows lists: whether a file may be opened is not told, and a link's entry is
    // looked at to learn of its target.
    bool windowsListing = false;
    // As the find data a Windows listing falls back to: no identities.
    bool listingWithoutIdentities = false;
    // As Wine lists a symbolic link to a file: a plain file with its target's identity;
    // only the name's status tells that it reached its file through a link.
    bool linksLookLikeFiles = false;

    std::vector<Read> reads;
    int opens = 0;
    int opensByName = 0;                 // of those, by name in a kept directory
    std::map<std::string, int> opensOf;  // by the path opened, from a kept directory on
    int listings = 0;
    int specialOpens = 0;      // must stay 0
    int placeholderOpens = 0;  // must stay 0
    int openNow = 0;           // files
    int mostOpenAtOnce = 0;
    int listingsOpenNow = 0;
    int directoriesKeptNow = 0;
    // Opens of files and listings that would make more than this many open at once are
    // refused for want of handles; negative: no limit.
    int handleLimit = -1;
    int refusals = 0;

    static constexpr std::uint32_t kMissing = 2;
    static constexpr std::uint32_t kDenied = 13;

private:
    class Listing;
    class KeptDirectory;
    struct Entry {
        enum Kind { file, directory, special, link } kind;
        std::uint64_t fileId = 0;  // a file's key in m_files
        std::string target;        // a link's
        platform::FileIdentity identity;
    };
    struct Handle {
        std::uint64_t fileId;
        std::string path;
    };

    std::int64_t readAt(platform::NativeHandle handle, std::int64_t offset, void* buffer,
                        std::size_t count) override;
    bool status(platform::NativeHandle handle, platform::FileStatus& status) override;
    void advise(platform::NativeHandle, platform::Access) override {}
    void close(platform::NativeHandle) override { --openNow; }

    void add(const std::string& path, Entry entry);
    // Counts a refusal where no handle is left.
    bool outOfHandles();
    // The status an open of the file would give.
    platform::FileStatus statusOfFile(std::uint64_t fileId) const;
    // The entry a path leads to with every link followed; null when there is none.
    const Entry* follow(const std::string& path) const;
    // The path without links, "." or ".."; false when some part of it is missing.
    bool canonical(const std::string& path, std::string& out, int depth = 0) const;
    platform::FileIdentity nextIdentity() { return {1, m_nextIndex++}; }

    std::map<std::string, Entry> m_entries;     // by canonical path; the root "" is implied
    std::map<std::uint64_t, FakeFile> m_files;  // by file id, shared by hard links
    std::vector<Handle> m_handles;              // handle value - 1 indexes the file opened
    std::uint64_t m_nextIndex = 1;
};
