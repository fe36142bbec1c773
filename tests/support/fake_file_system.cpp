#include "fake_file_system.h"

#include <algorithm>
#include <cstring>

#include "platform/entry_attributes.h"
#include "platform/system.h"
#include "platform_facts.h"

namespace {

constexpr platform::FileIdentity kRootIdentity{2, 0};

std::string parentOf(const std::string& path) {
    const std::size_t cut = path.rfind(platform::kSeparator);
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

}  // namespace

// As Linux keeps a listed directory: its files then open by name in it, whatever its
// path leads to by then.
class FakeFileSystem::KeptDirectory final : public platform::Directory {
public:
    KeptDirectory(FakeFileSystem& fs, std::string dir) : m_fs(fs), dir(std::move(dir)) {
        ++m_fs.directoriesKeptNow;
    }
    ~KeptDirectory() override { --m_fs.directoriesKeptNow; }
    KeptDirectory(const KeptDirectory&) = delete;
    KeptDirectory& operator=(const KeptDirectory&) = delete;

private:
    FakeFileSystem& m_fs;

public:
    const std::string dir;
};

class FakeFileSystem::Listing final : public platform::DirectoryListing {
public:
    Listing(FakeFileSystem& fs, std::string dir, platform::FileIdentity identity)
        : m_fs(fs), m_dir(std::move(dir)), m_identity(identity), m_names{".", ".."} {
        ++m_fs.listingsOpenNow;
        for (const auto& [path, entry] : m_fs.m_entries) {
            if (!path.empty() && parentOf(path) == m_dir) {
                m_names.push_back(m_dir.empty() ? path : path.substr(m_dir.size() + 1));
            }
        }
    }

    ~Listing() override { --m_fs.listingsOpenNow; }
    Listing(const Listing&) = delete;
    Listing& operator=(const Listing&) = delete;

    bool next(platform::DirectoryEntry& entry) override {
        if (m_next == m_names.size()) return false;
        entry.name = m_names[m_next++];
        entry.status = {};
        const std::string path = pathOf(entry.name);
        const auto own = m_fs.m_entries.find(path);
        entry.isLink = own != m_fs.m_entries.end() && own->second.kind == Entry::link;
        const Entry* found = m_fs.follow(path);
        using platform::EntryKind;
        entry.kind = entry.name == "." || entry.name == ".." ? EntryKind::directory
                     : found == nullptr                      ? EntryKind::unreadable
                     : found->kind == Entry::directory       ? EntryKind::directory
                     : found->kind == Entry::file
                         ? platform::entryKindOf(m_fs.m_files.at(found->fileId).attributes)
                         : EntryKind::special;
        if (entry.isLink && m_fs.linksLookLikeFiles && entry.kind == EntryKind::file) {
            entry.isLink = false;
        }
        return true;
    }

    bool identity(platform::FileIdentity& identity) override {
        identity = m_identity;
        return true;
    }

    // A Windows listing describes a link's entry, not its target, which it looks at.
    bool describe(const platform::DirectoryEntry& entry, platform::FileStatus& status) override {
        const Entry* found = m_fs.follow(pathOf(entry.name));
        if (found == nullptr || found->kind != Entry::file) return false;
        status = m_fs.statusOfFile(found->fileId);
        if (m_fs.windowsListing && entry.isLink) return true;
        if (m_fs.listingWithoutIdentities) {
            status.identity = {};
            status.stamps.changed = 0;
        }
        status.links = 0;
        return m_fs.windowsListing || m_fs.m_files.at(found->fileId).openable;
    }

    std::unique_ptr<platform::DirectoryListing> openDirectory(const std::string&,
                                                              const std::string& path,
                                                              platform::OpenError& error) override {
        return m_fs.openListing(path, error);
    }

    std::unique_ptr<platform::Directory> keep() override {
        if (m_fs.windowsListing) return nullptr;
        return std::make_unique<KeptDirectory>(m_fs, m_dir);
    }

private:
    std::string pathOf(const std::string& name) const {
        return m_dir.empty() ? name : m_dir + platform::kSeparator + name;
    }

    FakeFileSystem& m_fs;
    std::string m_dir;
    platform::FileIdentity m_identity;
    std::vector<std::string> m_names;
    std::size_t m_next = 0;
};

void FakeFileSystem::add(const std::string& path, Entry entry) {
    std::string parent;
    for (std::size_t cut = path.find(platform::kSeparator); cut != std::string::npos;
         cut = path.find(platform::kSeparator, cut + 1)) {
        parent = path.substr(0, cut);
        if (m_entries.count(parent) == 0) {
            m_entries[parent] = {Entry::directory, 0, {}, nextIdentity()};
        }
    }
    m_entries[path] = std::move(entry);
}

FakeFileSystem::FakeFile& FakeFileSystem::addFile(const std::string& path, std::string bytes) {
    const platform::FileIdentity identity = nextIdentity();
    FakeFile& file = m_files[identity.index];
    file.bytes = std::move(bytes);
    file.identity = identity;
    file.stamps = {static_cast<std::int64_t>(identity.index), 0};
    add(path, {Entry::file, identity.index, {}, identity});
    return file;
}

void FakeFileSystem::addDirectory(const std::string& path) {
    add(path, {Entry::directory, 0, {}, nextIdentity()});
}

void FakeFileSystem::addSpecial(const std::string& path) {
    add(path, {Entry::special, 0, {}, nextIdentity()});
}

void FakeFileSystem::addLink(const std::string& path, const std::string& target) {
    add(path, {Entry::link, 0, target, {}});
}

void FakeFileSystem::addHardLink(const std::string& path, const std::string& target) {
    add(path, *follow(target));
}

void FakeFileSystem::remove(const std::string& path) { m_entries.erase(path); }

FakeFileSystem::FakeFile& FakeFileSystem::file(const std::string& path) {
    return m_files.at(follow(path)->fileId);
}

bool FakeFileSystem::canonical(const std::string& path, std::string& out, int depth) const {
    if (depth > 40) return false;
    std::string at;
    for (std::size_t start = 0; start <= path.size();) {
        std::size_t end = path.find(platform::kSeparator, start);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            at = parentOf(at);
            continue;
        }
        std::string next = at.empty() ? part : at + platform::kSeparator + part;
        const auto found = m_entries.find(next);
        if (found == m_entries.end()) return false;
        if (found->second.kind == Entry::link &&
            !canonical(found->second.target, next, depth + 1)) {
            return false;
        }
        at = std::move(next);
    }
    out = std::move(at);
    return true;
}

const FakeFileSystem::Entry* FakeFileSystem::follow(const std::string& path) const {
    static const Entry root{Entry::directory, 0, {}, kRootIdentity};
    std::string resolved;
    if (!canonical(path, resolved)) return nullptr;
    if (resolved.empty()) return &root;
    return &m_entries.at(resolved);
}

bool FakeFileSystem::outOfHandles() {
    if (handleLimit < 0 || openNow + listingsOpenNow + directoriesKeptNow < handleLimit) {
        return false;
    }
    ++refusals;
    return true;
}

std::unique_ptr<platform::DirectoryListing> FakeFileSystem::openListing(
    const std::string& dir, platform::OpenError& error) {
    if (outOfHandles()) {
        error = {platform::OpenError::Kind::outOfHandles, twinscout::e2e::outOfHandlesError()};
        return nullptr;
    }
    ++listings;
    std::string resolved;
    if (!canonical(dir, resolved) || follow(resolved)->kind != Entry::directory) {
        error = {platform::OpenError::Kind::refused, kMissing};
        return nullptr;
    }
    return std::make_unique<Listing>(*this, resolved, follow(resolved)->identity);
}

void FakeFileSystem::openAll(const std::vector<platform::OpenRequest>& requests,
                             std::vector<platform::OpenedFile>& files) {
    files.clear();
    for (const platform::OpenRequest& request : requests) {
        const auto* kept = static_cast<const KeptDirectory*>(request.directory);
        if (kept == nullptr) {
            files.push_back(open(request.path));
            continue;
        }
        ++opensByName;
        files.push_back(open(kept->dir.empty() ? request.name
                                               : kept->dir + platform::kSeparator + request.name));
    }
}

platform::OpenedFile FakeFileSystem::open(const std::string& path) {
    ++opens;
    platform::OpenedFile opened;
    const Entry* found = follow(path);
    if (found == nullptr) {
        opened.error = {platform::OpenError::Kind::refused, kMissing};
        return opened;
    }
    if (found->kind != Entry::file) {
        if (found->kind == Entry::special) ++specialOpens;
        opened.error = {platform::OpenError::Kind::notRegular};
        return opened;
    }
    const FakeFile& file = m_files.at(found->fileId);
    if (platform::entryKindOf(file.attributes) == platform::EntryKind::placeholder) {
        ++placeholderOpens;
    }
    if (!file.openable) {
        opened.error = {platform::OpenError::Kind::refused, kDenied};
        return opened;
    }
    if (outOfHandles()) {
        opened.error = {platform::OpenError::Kind::outOfHandles,
                        twinscout::e2e::outOfHandlesError()};
        return opened;
    }
    ++opensOf[path];
    m_handles.push_back({found->fileId, path});
    mostOpenAtOnce = std::max(mostOpenAtOnce, ++openNow);
    opened.file = platform::File(*this, static_cast<platform::NativeHandle>(m_handles.size()));
    opened.status = statusOfFile(found->fileId);
    return opened;
}

bool FakeFileSystem::statusAt(const std::string& path, platform::FileStatus& status,
                              std::uint64_t& entry) {
    entry = 0;
    std::string resolved;
    const Entry* found = follow(path);
    if (found == nullptr || found->kind != Entry::file || !canonical(path, resolved)) return false;
    // Windows names the entry an open reached, links followed.
    if (windowsListing) entry = std::hash<std::string>{}(resolved) | 1;
    status = statusOfFile(found->fileId);
    return true;
}

platform::FileStatus FakeFileSystem::statusOfFile(std::uint64_t fileId) const {
    const FakeFile& file = m_files.at(fileId);
    platform::FileStatus status;
    status.size =
        file.announcedSize >= 0 ? file.announcedSize : static_cast<std::int64_t>(file.bytes.size());
    status.identity = file.identity;
    status.stamps = file.stamps;
    for (const auto& [path, entry] : m_entries) {
        if (entry.kind == Entry::file && entry.fileId == fileId) ++status.links;
    }
    return status;
}

bool FakeFileSystem::status(platform::NativeHandle handle, platform::FileStatus& status) {
    status = statusOfFile(m_handles[static_cast<std::size_t>(handle) - 1].fileId);
    return true;
}

std::int64_t FakeFileSystem::readAt(platform::NativeHandle handle, std::int64_t offset,
                                    void* buffer, std::size_t count) {
    const Handle& opened = m_handles[static_cast<std::size_t>(handle) - 1];
    const FakeFile& file = m_files.at(opened.fileId);
    std::int64_t got = -1;
    if (file.failAt < 0 || offset + static_cast<std::int64_t>(count) <= file.failAt) {
        const auto size = static_cast<std::int64_t>(file.bytes.size());
        got = offset >= size
                  ? 0
                  : std::min<std::int64_t>(static_cast<std::int64_t>(count), size - offset);
        if (got > 0) std::memcpy(buffer, file.bytes.data() + offset, static_cast<std::size_t>(got));
    }
    reads.push_back({opened.path, offset, got < 0 ? 0 : static_cast<std::size_t>(got)});
    if (file.afterRead) {
        const std::function<void()> hook = file.afterRead;
        hook();
    }
    return got;
}

namespace {

class LateReadQueue final : public platform::ReadQueue {
public:
    std::size_t depth() const override { return 4; }

    void start(const platform::File& file, std::int64_t offset, void* buffer, std::size_t count,
               std::uint64_t tag) override {
        m_started.push_back({&file, offset, buffer, count, tag});
    }

    bool finish(std::uint64_t& tag, std::int64_t& result) override {
        if (m_started.empty()) return false;
        const Started read = m_started.back();
        m_started.pop_back();
        tag = read.tag;
        result = read.file->readAt(read.offset, read.buffer, read.count);
        return true;
    }

private:
    struct Started {
        const platform::File* file;
        std::int64_t offset;
        void* buffer;
        std::size_t count;
        std::uint64_t tag;
    };
    std::vector<Started> m_started;
};

}  // namespace

std::unique_ptr<platform::ReadQueue> FakeFileSystem::readQueue() {
    if (!lateReads) return platform::makeSynchronousReadQueue();
    return std::make_unique<LateReadQueue>();
}
