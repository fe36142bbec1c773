#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <utility>

#include "platform/descriptor_posix.h"
#include "platform/flag_rules.h"
#include "platform/open_error_posix.h"
#include "platform/system.h"

namespace platform {

const char kSeparator = '/';
const std::string_view kLineEnd = "\n";

namespace {

bool g_outputClosedAtStart = false;

// One descriptor kept aside while tracing, so that a listing that failed for
// want of descriptors can still be recorded.
Descriptor g_spareDescriptor;

void reserveSpareDescriptor() {
    if (!g_spareDescriptor.valid()) {
        g_spareDescriptor.reset(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    }
}

bool releaseSpareDescriptor() {
    if (!g_spareDescriptor.valid()) return false;
    g_spareDescriptor.reset();
    return true;
}

// A closed standard descriptor would be taken by the next file opened, and
// what is meant for the console would go into that file.
void holdStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        if (fd == STDOUT_FILENO) g_outputClosedAtStart = true;
        const int null = ::open("/dev/null", O_RDWR);
        if (null > fd) {
            ::dup2(null, fd);
            ::close(null);
        }
    }
}

OpenError tryOpenTraceFile(TraceFile& file) {
    const char* const kName = "debug.log";
    // Look before opening: a FIFO or a device is never opened, not even without blocking.
    struct stat named {};
    if (::lstat(kName, &named) == 0) {
        if (!S_ISREG(named.st_mode)) return {OpenError::Kind::notRegular};
    } else if (errno != ENOENT) {
        return openErrorOf(errno);
    }
    // Should the name change meanwhile, no link is followed and a FIFO can't block.
    const int flags =
        O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    int fd = ::open(kName, flags, 0666);
    if (fd < 0 && (errno == EMFILE || errno == ENFILE) && releaseSpareDescriptor()) {
        fd = ::open(kName, flags, 0666);
    }
    if (fd < 0) return openErrorOf(errno);
    Descriptor log(fd);

    // A second name would let a record land in a file that lies elsewhere.
    struct stat opened {};
    if (::fstat(log.get(), &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_nlink != 1) {
        return {OpenError::Kind::notRegular};
    }
    if (::flock(log.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK || errno == EINTR) {
            return {OpenError::Kind::held, static_cast<std::uint32_t>(errno)};
        }
        return openErrorOf(errno);
    }
    file = log.release();
    return {};
}

// The standard streams and whatever the process inherited. A limit too low to look
// leaves nothing.
std::size_t openDescriptors() {
    DIR* listing = ::opendir("/proc/self/fd");
    if (listing == nullptr) return errno == EMFILE || errno == ENFILE ? SIZE_MAX / 2 : 3;
    std::size_t count = 0;
    while (const dirent* entry = ::readdir(listing)) {
        if (entry->d_name[0] != '.') ++count;
    }
    ::closedir(listing);
    return count > 0 ? count - 1 : 0;  // less the listing's own
}

}  // namespace

bool startFramework() {
    holdStandardDescriptors();
    // Deep trees keep one listing open per level: take every descriptor the system allows.
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
    return true;
}

bool standardOutputClosedAtStart() { return g_outputClosedAtStart; }

bool isFlagParameter(const char* param) { return isFlagByPosixRule(param); }

// File names are byte strings in any encoding: only ASCII letters have a case to fold.
void toLowerCase(std::string& text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
}

bool localTime(std::time_t seconds, std::tm& calendar) {
    return localtime_r(&seconds, &calendar) != nullptr;
}

OpenError openTraceFile(TraceFile& file) {
    file = -1;
    reserveSpareDescriptor();
    const OpenError result = tryOpenTraceFile(file);
    if (result) reserveSpareDescriptor();
    return result;
}

void writeTraceFile(TraceFile file, std::string_view bytes) {
    // A signal that ends the process would cut a write short between two pages:
    // it waits for the write instead (all but SIGKILL can).
    sigset_t every;
    sigset_t before;
    sigfillset(&every);
    const bool blocked = sigprocmask(SIG_BLOCK, &every, &before) == 0;
    // Only a full disk writes short; what did not fit is tried once more.
    for (int attempt = 0; attempt < 2 && !bytes.empty(); ++attempt) {
        const ssize_t written = ::write(static_cast<int>(file), bytes.data(), bytes.size());
        if (written <= 0) break;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    if (blocked) sigprocmask(SIG_SETMASK, &before, nullptr);
}

void closeTraceFile(TraceFile file) {
    flock(static_cast<int>(file), LOCK_UN);
    ::close(static_cast<int>(file));
    reserveSpareDescriptor();
}

std::size_t openFileBudget() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return 1;
    // Beside what is open now, the run needs descriptors of its own: two rings, the trace
    // with its spare, and the listing of a source.
    constexpr std::size_t kOwnUse = 5;
    const std::size_t most =
        limit.rlim_cur == RLIM_INFINITY ? std::size_t{1} << 20 : limit.rlim_cur;
    const std::size_t used = openDescriptors() + kOwnUse;
    return most > used ? most - used : 1;
}

}  // namespace platform
