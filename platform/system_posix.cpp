#include <sys/file.h>
#include <sys/resource.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/flag_rules.h"
#include "platform/system.h"

namespace platform {

const char kSeparator = '/';

bool startFramework() {
    // Deep trees keep one listing open per level: take every descriptor the system allows.
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
    return true;
}

bool isFlagParameter(const char* param) { return isFlagByPosixRule(param); }

// File names are byte strings in any encoding: only ASCII letters have a case to fold.
void toLowerCase(std::string& text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
}

bool isLeadByte(unsigned char) { return false; }

bool localTime(std::time_t seconds, std::tm& calendar) {
    return localtime_r(&seconds, &calendar) != nullptr;
}

std::FILE* openTraceFile() {
    std::FILE* file = std::fopen("debug.log", "a+");
    if (file == nullptr) return nullptr;
    // Another run may hold the lock for one record: wait for it, but never long.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
    while (flock(fileno(file), LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) ||
            std::chrono::steady_clock::now() > deadline) {
            std::fclose(file);
            return nullptr;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return file;
}

void closeTraceFile(std::FILE* file) {
    std::fflush(file);
    flock(fileno(file), LOCK_UN);
    std::fclose(file);
}

std::size_t openFileBudget() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 1024;
    // Leave room for the listing, the trace and the standard streams.
    return limit.rlim_cur > 128 ? static_cast<std::size_t>(limit.rlim_cur - 64) : 16;
}

}  // namespace platform
