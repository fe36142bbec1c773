// A file that this process holds for as long as the object lives, the way a run
// of the program holds debug.log while it writes one record: an exclusive flock
// on POSIX, a handle opened without sharing on Windows.
#pragma once

#include <cstdint>
#include <filesystem>

namespace twinscout::e2e {

class LockedFile {
public:
    // The file must exist.
    explicit LockedFile(const std::filesystem::path& path);
    ~LockedFile() { release(); }
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    bool held() const { return m_held; }
    void release();

private:
    bool m_held = false;
    std::intptr_t m_handle = -1;  // descriptor on POSIX, HANDLE on Windows
};

}  // namespace twinscout::e2e
