#include "platform/regular_open_posix.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <string>

#include "platform/descriptor_posix.h"
#include "platform/open_seam_posix.h"

namespace platform {
namespace {

// Non-blocking, as a second guard: only a regular file is ever opened this way.
constexpr int kReadFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
// Follows links, as a look at the name by fstatat does.
constexpr int kPathFlags = O_PATH | O_CLOEXEC;

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

}  // namespace platform
