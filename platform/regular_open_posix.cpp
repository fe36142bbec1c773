#include "platform/regular_open_posix.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/syscall.h>
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

// Whether the file of `path` could be opened for reading, asked of the file
// itself: cheaper than an open, and opens nothing. Where the call is missing or
// refused (old kernels, some sandboxes), the file is opened and closed again.
int readableThrough(int path, int dirFd, const char* name, const struct stat& looked) {
    if (syscall(SYS_faccessat2, path, "", R_OK, AT_EMPTY_PATH | AT_EACCESS) == 0) return 0;
    if (errno == EACCES) return -EACCES;
    const int fd = openThrough(path, dirFd, name, looked);
    if (fd < 0) return fd;
    ::close(fd);
    return 0;
}

// `open(path, name, info)` for each name that leads to a regular file, reached
// with an O_PATH descriptor and looked at through it, many at once: `results[k]`
// is what it gives, or -errno, or kNotRegular.
template <typename Open>
void throughPaths(FileBatch& batch, int dirFd, const std::vector<const char*>& names,
                  std::vector<int>& results, std::vector<struct stat>& infos, Open open) {
    results.assign(names.size(), kNotRegular);
    infos.assign(names.size(), {});
    for (std::size_t begin = 0; begin < names.size(); begin += kPathsAtOnce) {
        const std::size_t end = std::min(names.size(), begin + kPathsAtOnce);
        std::vector<int> paths;
        batch.open(dirFd,
                   {names.begin() + static_cast<std::ptrdiff_t>(begin),
                    names.begin() + static_cast<std::ptrdiff_t>(end)},
                   kPathFlags, paths);
        std::vector<std::size_t> regular;
        for (std::size_t k = begin; k < end; ++k) {
            const int path = paths[k - begin];
            if (path < 0) {
                results[k] = path;
            } else if (fstat(path, &infos[k]) == 0 && S_ISREG(infos[k].st_mode)) {
                regular.push_back(k);
            }
        }
        betweenLookAndOpen();
        for (const std::size_t k : regular) {
            results[k] = open(paths[k - begin], names[k], infos[k]);
        }
        std::erase_if(paths, [](int path) { return path < 0; });
        batch.close(paths);
    }
}

}  // namespace

int openRegularAt(int dirFd, const char* name, struct stat& info) {
    const Descriptor path(openat(dirFd, name, kPathFlags));
    if (!path.valid()) return -errno;
    if (fstat(path.get(), &info) != 0 || !S_ISREG(info.st_mode)) return kNotRegular;
    betweenLookAndOpen();
    return openThrough(path.get(), dirFd, name, info);
}

void openRegularFiles(FileBatch& batch, int dirFd, const std::vector<const char*>& names,
                      std::vector<int>& fds, std::vector<struct stat>& infos) {
    throughPaths(batch, dirFd, names, fds, infos,
                 [dirFd](int path, const char* name, const struct stat& looked) {
                     return openThrough(path, dirFd, name, looked);
                 });
}

void lookAtRegularFiles(FileBatch& batch, int dirFd, const std::vector<const char*>& names,
                        std::vector<int>& results, std::vector<struct stat>& infos) {
    throughPaths(batch, dirFd, names, results, infos,
                 [dirFd](int path, const char* name, const struct stat& looked) {
                     return readableThrough(path, dirFd, name, looked);
                 });
}

}  // namespace platform
