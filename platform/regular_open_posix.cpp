#include "platform/regular_open_posix.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "platform/descriptor_posix.h"
#include "platform/open_seam_posix.h"

namespace platform {
namespace {

// Non-blocking, as a second guard: only a regular file is ever opened this way.
constexpr int kReadFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
// Follows links, as a look at the name by fstatat does.
constexpr int kPathFlags = O_PATH | O_CLOEXEC;
// O_PATH descriptors held at once: they are closed as soon as their files are open.
constexpr std::size_t kPathsAtOnce = 64;

Descriptor g_descriptorDirectory;
bool g_descriptorDirectoryOpened = false;

// "self" is resolved when the directory is opened: a child made by fork would
// open its parent's descriptors through it, so it opens its own again.
void forgetDescriptorDirectory() {
    g_descriptorDirectory.reset();
    g_descriptorDirectoryOpened = false;
}

// The process's own descriptors as names: opening "N" in it opens again the file
// of descriptor N, whatever its name leads to now. -1 where /proc is not mounted.
int descriptorDirectory() {
    if (!g_descriptorDirectoryOpened) {
        static const bool forgottenInChildren =
            pthread_atfork(nullptr, nullptr, forgetDescriptorDirectory) == 0;
        (void)forgottenInChildren;
        g_descriptorDirectory.reset(::open("/proc/self/fd", O_PATH | O_DIRECTORY | O_CLOEXEC));
        g_descriptorDirectoryOpened = true;
    }
    return g_descriptorDirectory.get();
}

// Without /proc the name is opened again; what it leads to must still be the
// file looked at, though a FIFO swapped in just then is opened before that shows.
bool stillTheFile(int fd, const struct stat& looked) {
    struct stat now {};
    return fstat(fd, &now) == 0 && now.st_dev == looked.st_dev && now.st_ino == looked.st_ino;
}

// Opens for reading the regular file that `path`, an O_PATH descriptor for
// `name` relative to `dirFd`, leads to.
int openThrough(int path, int dirFd, const char* name, const struct stat& looked) {
    const int proc = descriptorDirectory();
    const int fd = proc >= 0 ? openat(proc, std::to_string(path).c_str(), kReadFlags)
                             : openat(dirFd, name, kReadFlags);
    if (fd < 0) return -errno;
    if (proc < 0 && !stillTheFile(fd, looked)) {
        ::close(fd);
        return kNotRegular;
    }
    return fd;
}

}  // namespace

int openRegularAt(int dirFd, const char* name, struct stat& info) {
    const Descriptor path(openat(dirFd, name, kPathFlags));
    if (!path.valid()) return -errno;
    if (fstat(path.get(), &info) != 0 || !S_ISREG(info.st_mode)) return kNotRegular;
    betweenLookAndOpen();
    return openThrough(path.get(), dirFd, name, info);
}

// An O_PATH descriptor for each name first, many at once, then the status of each
// through it, and only regular files opened: an O_PATH descriptor costs a handle
// too, so they go a chunk at a time.
void openRegularFiles(FileBatch& batch, const std::vector<int>& dirFds,
                      const std::vector<const char*>& names, std::vector<int>& fds,
                      std::vector<struct stat>& infos) {
    fds.assign(names.size(), kNotRegular);
    infos.assign(names.size(), {});
    for (std::size_t begin = 0; begin < names.size(); begin += kPathsAtOnce) {
        const std::size_t end = std::min(names.size(), begin + kPathsAtOnce);
        const auto from = static_cast<std::ptrdiff_t>(begin);
        const auto to = static_cast<std::ptrdiff_t>(end);
        std::vector<int> paths;
        batch.open({dirFds.begin() + from, dirFds.begin() + to},
                   {names.begin() + from, names.begin() + to}, kPathFlags, paths);
        std::vector<std::size_t> regular;
        for (std::size_t k = begin; k < end; ++k) {
            const int path = paths[k - begin];
            if (path < 0) {
                fds[k] = path;
            } else if (fstat(path, &infos[k]) == 0 && S_ISREG(infos[k].st_mode)) {
                regular.push_back(k);
            }
        }
        betweenLookAndOpen();
        for (const std::size_t k : regular) {
            fds[k] = openThrough(paths[k - begin], dirFds[k], names[k], infos[k]);
        }
        std::erase_if(paths, [](int path) { return path < 0; });
        batch.close(paths);
    }
}

}  // namespace platform
