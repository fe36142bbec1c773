#include "trace/trace_log.h"

#include <chrono>
#include <cstdarg>
#include <ctime>
#include <string>
#include <thread>

#include "trace/lock_patience.h"
#include "trace/timestamp.h"
#include "trace/trace_record.h"

std::int8_t g_debugMode = 0;

namespace {

// Another run holds the file for one record at a time, which takes microseconds; but a
// holder the system has set aside on a busy machine may keep it for much longer, and
// a record that gives up is lost. Once one record has waited in vain the rest don't
// wait, so a run stopped while it holds the file costs the others this bound once.
constexpr auto kLockWaitBound = std::chrono::seconds(1);

LockPatience g_lockPatience;

TraceWrite g_write = platform::writeTraceFile;

// The file held for one record, closed with it.
class HeldTraceFile {
public:
    HeldTraceFile() {
        const auto deadline = std::chrono::steady_clock::now() + kLockWaitBound;
        m_open = g_lockPatience.take([this] { return platform::openTraceFile(m_file); },
                                     [&deadline] {
                                         if (std::chrono::steady_clock::now() >= deadline) {
                                             return false;
                                         }
                                         std::this_thread::sleep_for(std::chrono::milliseconds(1));
                                         return true;
                                     });
    }
    ~HeldTraceFile() {
        if (m_open) platform::closeTraceFile(m_file);
    }
    HeldTraceFile(const HeldTraceFile&) = delete;
    HeldTraceFile& operator=(const HeldTraceFile&) = delete;

    bool open() const { return m_open; }
    platform::TraceFile file() const { return m_file; }

private:
    platform::TraceFile m_file{};
    bool m_open = false;
};

}  // namespace

bool traceEnabled() { return g_debugMode != 0; }

void setTraceWrite(TraceWrite write) {
    g_write = write != nullptr ? write : platform::writeTraceFile;
}

void traceLog(std::int32_t level, const char* format, ...) {
    if ((level & 0x1F) != level || !traceEnabled()) return;

    // A time that has no calendar date leaves the timestamp empty.
    char timestamp[kTimestampLength + 1] = "";
    std::tm calendar{};
    if (platform::localTime(std::time(nullptr), calendar)) formatTimestamp(calendar, timestamp);

    va_list arguments;
    va_start(arguments, format);
    const std::string record = traceRecord(timestamp, platform::kLineEnd, format, arguments);
    va_end(arguments);

    // Built before the file is taken, so that other runs wait only for the write.
    const HeldTraceFile held;
    if (held.open()) g_write(held.file(), record);
}
