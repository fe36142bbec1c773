// Opens, closes and advice for many files at once (POSIX builds only).
#pragma once

#include <vector>

namespace platform {

// Each request a plain call of its own; a batch through the system's ring
// (file_batch_uring_posix.h) makes one call for many and falls back to these.
// Each open is relative to its directory, or AT_FDCWD for a path.
class FileBatch {
public:
    virtual ~FileBatch() = default;
    // `fds[k]`: what openat(dirFds[k], names[k], flags) gives, or -errno.
    virtual void open(const std::vector<int>& dirFds, const std::vector<const char*>& names,
                      int flags, std::vector<int>& fds);
    virtual void close(const std::vector<int>& fds);
    // posix_fadvise(fd, 0, 0, advice) for each.
    virtual void advise(const std::vector<int>& fds, int advice);
};

}  // namespace platform
