// Reads through an I/O completion port, Windows builds only.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>

#include "platform/file_system.h"
#include "platform/read_queue.h"

namespace platform {

// Which queue's port each open file is tied to. A file stays tied to a port until it
// is closed, and the system reuses the values of closed handles, so the file system
// forgets a file when it closes it; a queue never reuses the number of one gone.
class PortTies {
public:
    std::uint64_t newQueue() { return ++m_lastQueue; }
    // 0 where the file is tied to no port.
    std::uint64_t queueOf(NativeHandle handle) const;
    void tie(NativeHandle handle, std::uint64_t queue) { m_queueOf[handle] = queue; }
    void forget(NativeHandle handle) { m_queueOf.erase(handle); }

private:
    std::unordered_map<NativeHandle, std::uint64_t> m_queueOf;
    std::uint64_t m_lastQueue = 0;
};

// Null where the system gives no port. The files must be opened for overlapped reads;
// one that can't be tied to the port (another queue's already) is read the plain way.
std::unique_ptr<ReadQueue> makePortReadQueue(PortTies& ties, std::size_t depth);

}  // namespace platform
