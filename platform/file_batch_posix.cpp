#include "platform/file_batch_posix.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

void FileBatch::open(const std::vector<int>& dirFds, const std::vector<const char*>& names,
                     int flags, std::vector<int>& fds) {
    fds.resize(names.size());
    for (std::size_t k = 0; k < names.size(); ++k) {
        const int fd = openat(dirFds[k], names[k], flags);
        fds[k] = fd >= 0 ? fd : -errno;
    }
}

void FileBatch::close(const std::vector<int>& fds) {
    for (const int fd : fds) ::close(fd);
}

void FileBatch::advise(const std::vector<int>& fds, int advice) {
    for (const int fd : fds) posix_fadvise(fd, 0, 0, advice);
}

}  // namespace platform
