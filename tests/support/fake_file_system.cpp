#include "fake_file_system.h"

#include <algorithm>
#include <cstring>

FakeFileSystem::FakeFile& FakeFileSystem::addFile(const std::string& path, std::string bytes) {
    FakeFile& file = m_files[path];
    file.bytes = std::move(bytes);
    file.identity = {1, m_nextIndex++};
    return file;
}

void FakeFileSystem::addLink(const std::string& path, const std::string& target) {
    m_links[path] = target;
}

std::unique_ptr<platform::DirectoryListing> FakeFileSystem::openListing(const std::string&,
                                                                        std::uint32_t& error) {
    error = 3;
    return nullptr;
}

std::uint32_t FakeFileSystem::attributes(const std::string& path) {
    return m_files.count(path) != 0 || m_links.count(path) != 0 ? 0 : platform::kInvalidAttributes;
}

platform::File FakeFileSystem::open(const std::string& path, platform::FileStatus& status) {
    const auto link = m_links.find(path);
    const std::string& target = link != m_links.end() ? link->second : path;
    const auto found = m_files.find(target);
    ++opens;
    if (found == m_files.end() || !found->second.openable) return {};
    const FakeFile& file = found->second;
    status.size =
        file.announcedSize >= 0 ? file.announcedSize : static_cast<std::int64_t>(file.bytes.size());
    status.identity = file.identity;
    m_handles.push_back(target);
    mostOpenAtOnce = std::max(mostOpenAtOnce, ++openNow);
    return {*this, static_cast<platform::NativeHandle>(m_handles.size())};
}

platform::File FakeFileSystem::openContent(const std::string& path) {
    platform::FileStatus ignored;
    return open(path, ignored);
}

platform::FileIdentity FakeFileSystem::identityOf(const std::string& path) const {
    const auto link = m_links.find(path);
    const auto found = m_files.find(link != m_links.end() ? link->second : path);
    return found != m_files.end() ? found->second.identity : platform::FileIdentity{};
}

bool FakeFileSystem::canonicalPath(const std::string& path, std::string& canonical) {
    const auto link = m_links.find(path);
    canonical = link != m_links.end() ? link->second : path;
    return m_files.count(canonical) != 0;
}

std::int64_t FakeFileSystem::readAt(platform::NativeHandle handle, std::int64_t offset,
                                    void* buffer, std::size_t count) {
    const std::string& path = m_handles[static_cast<std::size_t>(handle) - 1];
    const FakeFile& file = m_files[path];
    if (file.failAt >= 0 && offset + static_cast<std::int64_t>(count) > file.failAt) {
        reads.push_back({path, offset, 0});
        return -1;
    }
    const auto size = static_cast<std::int64_t>(file.bytes.size());
    const std::size_t got =
        offset >= size ? 0 : std::min<std::size_t>(count, static_cast<std::size_t>(size - offset));
    if (got > 0) std::memcpy(buffer, file.bytes.data() + offset, got);
    reads.push_back({path, offset, got});
    return static_cast<std::int64_t>(got);
}
