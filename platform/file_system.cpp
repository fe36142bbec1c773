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

void FileSystem::openAll(const std::vector<OpenRequest>& requests, std::vector<OpenedFile>& files) {
    files.clear();
    files.reserve(requests.size());
    for (const OpenRequest& request : requests) files.push_back(open(request.path));
}

void FileSystem::adviseAll(const std::vector<const File*>& files, Access access) {
    for (const File* file : files) file->advise(access);
}

void File::close() {
    if (m_fileSystem != nullptr) {
        m_fileSystem->close(m_handle);
        m_fileSystem = nullptr;
    }
}

}  // namespace platform
