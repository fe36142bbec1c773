// What the two ways of opening a listed file cost, warm, without the rest of the
// program: walks TREE, and for each regular file whose size was met before reads its
// head as the listing does.
//
//   open_paths safe TREE     O_PATH descriptor, fstat, open again through
//                            /proc/self/fd, read, close both: a FIFO or a device
//                            swapped in is never opened
//   open_paths direct TREE   fstatat, open by name, fstat, read, close: what builds
//                            before the regular-file opener did
//   open_paths floor TREE    what the rules ask at the least of a listing that opens
//                            nothing and of a comparison that reads every head once:
//                            fstatat and faccessat2 for every file, then, for each file
//                            of a size met twice, the safe way's open, read and closes
//
// Prints the files and the microseconds per file. Run each a few times and take the
// lowest: the first run warms the cache.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

constexpr std::size_t kHeadAsked = 4097;

struct Walk {
    bool safe = false;
    bool floor = false;
    int descriptors = -1;
    long files = 0;
    std::unordered_set<long long> sizes;
    char head[kHeadAsked];

    void readHead(int fd) {
        if (::pread(fd, head, kHeadAsked, 0) < 0) std::perror("pread");
    }

    struct Listed {
        int dir;
        std::string name;
        long long size;
    };
    std::vector<Listed> listed;
    std::unordered_map<long long, int> sizeCount;

    void readSafely(int dir, const char* name) {
        struct stat info {};
        const Descriptor path(::openat(dir, name, O_PATH | O_CLOEXEC));
        if (path.get() < 0 || ::fstat(path.get(), &info) != 0 || !S_ISREG(info.st_mode)) return;
        const Descriptor readable(::openat(descriptors, std::to_string(path.get()).c_str(),
                                           O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
        readHead(readable.get());
    }

    // The files of sizes met twice are read once the whole tree is listed, while the
    // directories are still open.
    void readShared() {
        for (const Listed& file : listed) {
            if (sizeCount[file.size] > 1) readSafely(file.dir, file.name.c_str());
        }
    }

    void file(int dir, const char* name) {
        ++files;
        struct stat info {};
        if (floor) {
            if (::fstatat(dir, name, &info, 0) != 0 || !S_ISREG(info.st_mode)) return;
            if (::faccessat(dir, name, R_OK, AT_EACCESS) != 0) return;
            listed.push_back({dir, name, static_cast<long long>(info.st_size)});
            ++sizeCount[info.st_size];
        } else if (safe) {
            const Descriptor path(::openat(dir, name, O_PATH | O_CLOEXEC));
            if (path.get() < 0 || ::fstat(path.get(), &info) != 0 || !S_ISREG(info.st_mode)) return;
            if (sizes.insert(info.st_size).second) return;
            const Descriptor readable(::openat(descriptors, std::to_string(path.get()).c_str(),
                                               O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
            readHead(readable.get());
        } else {
            if (::fstatat(dir, name, &info, 0) != 0 || !S_ISREG(info.st_mode)) return;
            if (sizes.insert(info.st_size).second) return;
            const Descriptor readable(
                ::openat(dir, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
            if (::fstat(readable.get(), &info) != 0) return;
            readHead(readable.get());
        }
    }

    void directory(int fd) {
        DIR* const listing = ::fdopendir(fd);
        if (listing == nullptr) {
            ::close(fd);
            return;
        }
        while (const dirent* entry = ::readdir(listing)) {
            if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) {
                continue;
            }
            if (entry->d_type == DT_DIR) {
                const int sub = ::openat(fd, entry->d_name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
                if (sub >= 0) directory(sub);
            } else if (entry->d_type == DT_REG) {
                file(fd, entry->d_name);
            }
        }
        // The floor reads after the listing: its directories stay open until then.
        if (!floor) ::closedir(listing);
    }
};

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc == 3 ? argv[1] : "";
    if (mode != "safe" && mode != "direct" && mode != "floor") {
        std::fprintf(stderr, "usage: open_paths safe|direct|floor TREE\n");
        return 2;
    }
    static Walk walk;
    walk.safe = mode == "safe" || mode == "floor";
    walk.floor = mode == "floor";
    const Descriptor descriptors(::open("/proc/self/fd", O_PATH | O_DIRECTORY | O_CLOEXEC));
    walk.descriptors = descriptors.get();
    const int root = ::open(argv[2], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root < 0 || (walk.safe && walk.descriptors < 0)) {
        std::perror(argv[2]);
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    walk.directory(root);
    if (walk.floor) walk.readShared();
    const std::chrono::duration<double, std::micro> spent =
        std::chrono::steady_clock::now() - start;
    std::printf("%s: %ld files, %.2f us per file\n", argv[1], walk.files,
                spent.count() / static_cast<double>(walk.files));
    return 0;
}
