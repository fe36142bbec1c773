// An in-memory file system for the finder's logic: files are byte strings that can
// be made unopenable, failing or truncated, and every read is recorded.
#pragma once

#include <cstdint>
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
    };
    struct Read {
        std::string path;
        std::int64_t offset;
        std::size_t count;  // bytes delivered
    };

    FakeFile& addFile(const std::string& path, std::string bytes);
    // Another name for the file at `target`: same bytes, same identity.
    void addLink(const std::string& path, const std::string& target);

    std::unique_ptr<platform::DirectoryListing> openListing(const std::string& dir,
                                                            std::uint32_t& error) override;
    std::uint32_t attributes(const std::string& path) override;
    platform::File open(const std::string& path, platform::FileStatus& status) override;
    platform::File openContent(const std::string& path) override;
    // The identity the listing would have read for `path`.
    platform::FileIdentity identityOf(const std::string& path) const;
    bool canonicalPath(const std::string& path, std::string& canonical) override;
    bool namesIgnoreCase() const override { return false; }

    std::vector<Read> reads;
    int opens = 0;
    int openNow = 0;
    int mostOpenAtOnce = 0;

private:
    std::int64_t readAt(platform::NativeHandle handle, std::int64_t offset, void* buffer,
                        std::size_t count) override;
    void adviseSequential(platform::NativeHandle) override {}
    void close(platform::NativeHandle) override { --openNow; }

    std::map<std::string, FakeFile> m_files;
    std::map<std::string, std::string> m_links;
    std::vector<std::string> m_handles;  // handle value - 1 indexes the opened path
    std::uint64_t m_nextIndex = 1;
};
