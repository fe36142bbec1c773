#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "locked_file.h"

namespace twinscout::e2e {

// Close-on-exec, so that no child started meanwhile shares the lock.
LockedFile::LockedFile(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        ADD_FAILURE() << "open " << path.string() << ": " << std::strerror(errno);
        return;
    }
    m_handle = fd;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ADD_FAILURE() << "flock " << path.string() << ": " << std::strerror(errno);
        return;
    }
    m_held = true;
}

void LockedFile::release() {
    if (m_handle >= 0) ::close(static_cast<int>(m_handle));
    m_handle = -1;
    m_held = false;
}

}  // namespace twinscout::e2e
