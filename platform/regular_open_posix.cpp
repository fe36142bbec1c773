#include "platform/regular_open_posix.h"

#include <fcntl.h>
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

// The process's own descriptors as names: opening "N" in it opens again the file
// of descriptor N, whatever its name leads to now. -1 where /proc is not mounted.
int descriptorDirectory() {
    static const Descriptor directory(::open("/proc/self/fd", O_PATH | O_DIRECTORY | O_CLOEXEC));
    return directory.get();
}

// Without /proc the name is opened again; what it leads to must still be the
// file looked at, though a FIFO swapped in just then is opened before that shows.
bool stillTheFile(int fd, const struct stat& looked) {
    struct stat now {};
    return fstat(fd, &now) == 0 && now.st_dev == looked.st_dev && now.st_ino == looked.st_ino;
}

}  // namespace

int openRegularAt(int dirFd, const char* name, struct stat& info) {
    const Descriptor path(openat(dirFd, name, kPathFlags));
    if (!path.valid()) return -errno;
    if (fstat(path.get(), &info) != 0 || !S_ISREG(info.st_mode)) return kNotRegular;
    betweenLookAndOpen();
    const int proc = descriptorDirectory();
    const int fd = proc >= 0 ? openat(proc, std::to_string(path.get()).c_str(), kReadFlags)
                             : openat(dirFd, name, kReadFlags);
    if (fd < 0) return -errno;
    if (proc < 0 && !stillTheFile(fd, info)) {
        ::close(fd);
        return kNotRegular;
    }
    return fd;
}

void openRegularFiles(FileBatch& batch, int dirFd, const std::vector<const char*>& names,
                      std::vector<int>& fds, std::vector<struct stat>& infos) {
    if (names.size() > kPathsAtOnce) {
        fds.clear();
        infos.clear();
        for (std::size_t begin = 0; begin < names.size(); begin += kPathsAtOnce) {
            const auto from = names.begin() + static_cast<std::ptrdiff_t>(begin);
            const auto to = names.begin() + static_cast<std::ptrdiff_t>(
                                                std::min(names.size(), begin + kPathsAtOnce));
            std::vector<int> someFds;
            std::vector<struct stat> someInfos;
            openRegularFiles(batch, dirFd, {from, to}, someFds, someInfos);
            fds.insert(fds.end(), someFds.begin(), someFds.end());
            infos.insert(infos.end(), someInfos.begin(), someInfos.end());
        }
        return;
    }
    std::vector<int> paths;
    batch.open(dirFd, names, kPathFlags, paths);
    fds.assign(names.size(), kNotRegular);
    infos.assign(names.size(), {});
    std::vector<std::size_t> regular;
    for (std::size_t k = 0; k < names.size(); ++k) {
        if (paths[k] < 0) {
            fds[k] = paths[k];
        } else if (fstat(paths[k], &infos[k]) == 0 && S_ISREG(infos[k].st_mode)) {
            regular.push_back(k);
        }
    }
    betweenLookAndOpen();
    const int proc = descriptorDirectory();
    std::vector<std::string> numbers;
    std::vector<const char*> again;
    numbers.reserve(regular.size());
    for (const std::size_t k : regular) {
        numbers.push_back(std::to_string(paths[k]));
        again.push_back(proc >= 0 ? numbers.back().c_str() : names[k]);
    }
    std::vector<int> opened;
    batch.open(proc >= 0 ? proc : dirFd, again, kReadFlags, opened);
    std::vector<int> toClose;
    for (std::size_t j = 0; j < regular.size(); ++j) {
        const std::size_t k = regular[j];
        fds[k] = opened[j];
        if (proc < 0 && fds[k] >= 0 && !stillTheFile(fds[k], infos[k])) {
            toClose.push_back(fds[k]);
            fds[k] = kNotRegular;
        }
    }
    for (const int path : paths) {
        if (path >= 0) toClose.push_back(path);
    }
    batch.close(toClose);
}

}  // namespace platform
