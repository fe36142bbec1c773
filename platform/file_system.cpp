#include "platform/file_system.h"

namespace platform {

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        m_fileSystem = other.m_fileSystem;
        m_handle = other.m_handle;
        other.m_fileSystem = nullptr;
    }
    return *this;
}

std::int64_t File::readAt(std::int64_t offset, void* buffer, std::size_t count) const {
    return m_fileSystem->readAt(m_handle, offset, buffer, count);
}

bool File::status(FileStatus& status) const { return m_fileSystem->status(m_handle, status); }

void File::advise(Access access) const { m_fileSystem->advise(m_handle, access); }

void DirectoryListing::statusOfFiles(const std::vector<std::string>& names,
                                     const std::vector<std::string>& paths,
                                     std::vector<FileStatus>& statuses, std::vector<bool>& opened,
                                     std::size_t keep, std::vector<File>& kept) {
    statuses.assign(names.size(), FileStatus{});
    opened.assign(names.size(), false);
    kept.clear();
    kept.resize(names.size());
    for (std::size_t k = 0; k < names.size(); ++k) {
        File file = openFile(names[k], paths[k], statuses[k]);
        opened[k] = static_cast<bool>(file);
        keepIf(k < keep, std::move(file), kept[k]);
    }
}

void DirectoryListing::keepIf(bool keep, File file, File& slot) {
    if (!keep || !file) return;
    file.advise(Access::random);
    slot = std::move(file);
}

void FileSystem::openAll(const std::vector<const char*>& paths, std::vector<File>& files,
                         std::vector<FileStatus>& statuses) {
    files.clear();
    files.resize(paths.size());
    statuses.assign(paths.size(), FileStatus{});
    for (std::size_t k = 0; k < paths.size(); ++k) {
        files[k] = open(paths[k], statuses[k]);
        if (files[k]) files[k].advise(Access::random);
    }
}

void File::close() {
    if (m_fileSystem != nullptr) {
        m_fileSystem->close(m_handle);
        m_fileSystem = nullptr;
    }
}

}  // namespace platform
