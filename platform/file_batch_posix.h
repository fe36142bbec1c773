// Opens and closes of many files at once (POSIX builds only).
#pragma once

#include <memory>
#include <vector>

namespace platform {

// Each open or close asked of the system costs a call of its own; a batch makes one
// for many. Opens relative to `dirFd`, or AT_FDCWD for paths.
class FileBatch {
public:
    virtual ~FileBatch() = default;
    // `fds[k]`: what openat(dirFd, names[k], flags) gives, or -errno.
    virtual void open(int dirFd, const std::vector<const char*>& names, int flags,
                      std::vector<int>& fds) = 0;
    virtual void close(const std::vector<int>& fds) = 0;
    // posix_fadvise(fd, 0, 0, advice) for each.
    virtual void advise(const std::vector<int>& fds, int advice) = 0;
};

// Through io_uring, in builds with TWINSCOUT_IO_URING; null where the system refuses it.
std::unique_ptr<FileBatch> makeUringFileBatch();

}  // namespace platform
