// Opening regular files only, whatever their names come to lead to meanwhile
// (POSIX builds only). A FIFO or a device opened even without blocking is
// disturbed (a FIFO's writer is let go), so nothing else is ever opened: each
// name is first reached with an O_PATH descriptor, which opens nothing, and
// only a regular file is then opened for reading through that very descriptor.
#pragma once

#include <sys/stat.h>

#include <cerrno>
#include <vector>

#include "platform/file_batch_posix.h"

namespace platform {

// What a name that leads to anything but a regular file gives.
inline constexpr int kNotRegular = -EINVAL;

// A descriptor for reading `name`, relative to `dirFd`, with `info` its status;
// -errno, or kNotRegular, when there is none.
int openRegularAt(int dirFd, const char* name, struct stat& info);

// The same for each of `names`, relative to `dirFds[k]`, many at once through `batch`.
void openRegularFiles(FileBatch& batch, const std::vector<int>& dirFds,
                      const std::vector<const char*>& names, std::vector<int>& fds,
                      std::vector<struct stat>& infos);

}  // namespace platform
