#include "trace/trace_log.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <memory>
#include <thread>

#include "platform/system.h"
#include "trace/lock_patience.h"
#include "trace/timestamp.h"

std::int8_t g_debugMode = 0;

namespace {

struct TraceFileCloser {
    void operator()(std::FILE* file) const { platform::closeTraceFile(file); }
};

// Another run holds the file for one record at a time: a short wait is enough.
constexpr auto kLockWaitBound = std::chrono::milliseconds(100);

LockPatience g_lockPatience;

std::FILE* openTraceFile() {
    std::FILE* file = nullptr;
    const auto deadline = std::chrono::steady_clock::now() + kLockWaitBound;
    g_lockPatience.take([&file] { return platform::openTraceFile(file); },
                        [&deadline] {
                            if (std::chrono::steady_clock::now() >= deadline) return false;
                            std::this_thread::sleep_for(std::chrono::milliseconds(1));
                            return true;
                        });
    return file;
}

}  // namespace

bool traceEnabled() { return g_debugMode != 0; }

void traceLog(std::int32_t level, const char* format, ...) {
    if ((level & 0x1F) != level || !traceEnabled()) return;

    std::unique_ptr<std::FILE, TraceFileCloser> file(openTraceFile());
    if (!file) return;

    // A time that has no calendar date leaves the timestamp empty.
    char timestamp[kTimestampLength + 1] = "";
    std::tm calendar{};
    if (platform::localTime(std::time(nullptr), calendar)) formatTimestamp(calendar, timestamp);

    std::fputs(timestamp, file.get());
    std::fputs(" :: ", file.get());
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(file.get(), format, arguments);
    va_end(arguments);
}
