#include "platform/read_queue_port_win32.h"

#include <windows.h>

#include <deque>
#include <utility>
#include <vector>

namespace platform {

std::uint64_t PortTies::queueOf(NativeHandle handle) const {
    const auto found = m_queueOf.find(handle);
    return found == m_queueOf.end() ? 0 : found->second;
}

namespace {

HANDLE asHandle(NativeHandle handle) { return reinterpret_cast<HANDLE>(handle); }

// A read of one call: a disk file reads short only at its end.
DWORD callSize(std::size_t count) {
    return count > 0x40000000 ? 0x40000000 : static_cast<DWORD>(count);
}

class PortReadQueue final : public ReadQueue {
public:
    PortReadQueue(PortTies& ties, HANDLE port, std::size_t depth)
        : m_ties(ties), m_id(ties.newQueue()), m_port(port), m_slots(depth) {
        for (std::size_t slot = depth; slot-- > 0;) m_free.push_back(slot);
    }
    // The system writes into the buffers of reads in flight until they finish.
    ~PortReadQueue() override {
        while (m_free.size() < m_slots.size() && collect()) {
        }
        CloseHandle(m_port);
    }
    PortReadQueue(const PortReadQueue&) = delete;
    PortReadQueue& operator=(const PortReadQueue&) = delete;

    std::size_t depth() const override { return m_slots.size(); }

    void start(const File& file, std::int64_t offset, void* buffer, std::size_t count,
               std::uint64_t tag) override {
        const NativeHandle handle = file.nativeHandle();
        if (!tied(handle)) {
            m_finished.emplace_back(tag, file.readAt(offset, buffer, count));
            return;
        }
        const std::size_t slot = m_free.back();
        Slot& read = m_slots[slot];
        read = Slot{};
        read.overlapped.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
        read.overlapped.OffsetHigh = static_cast<DWORD>(offset >> 32);
        read.handle = asHandle(handle);
        read.tag = tag;
        // Started or done at once, the read's end comes through the port; failed at
        // once, it never does.
        const DWORD error =
            ReadFile(read.handle, buffer, callSize(count), nullptr, &read.overlapped)
                ? ERROR_SUCCESS
                : GetLastError();
        if (error == ERROR_SUCCESS || error == ERROR_IO_PENDING) {
            read.inFlight = true;
            m_free.pop_back();
        } else {
            m_finished.emplace_back(tag, error == ERROR_HANDLE_EOF ? 0 : -1);
        }
    }

    bool finish(std::uint64_t& tag, std::int64_t& result) override {
        while (m_finished.empty()) {
            if (m_free.size() == m_slots.size() || !collect()) return false;
        }
        std::tie(tag, result) = m_finished.front();
        m_finished.pop_front();
        return true;
    }

private:
    struct Slot {
        OVERLAPPED overlapped{};
        HANDLE handle = nullptr;
        std::uint64_t tag = 0;
        bool inFlight = false;
    };

    bool tied(NativeHandle handle) {
        const std::uint64_t queue = m_ties.queueOf(handle);
        if (queue != 0) return queue == m_id;
        if (CreateIoCompletionPort(asHandle(handle), m_port, 0, 0) == nullptr) return false;
        m_ties.tie(handle, m_id);
        return true;
    }

    // The slot a finished read names; null for any other packet, which is no read of
    // this queue's.
    Slot* slotOf(const OVERLAPPED* overlapped) {
        for (Slot& slot : m_slots) {
            if (&slot.overlapped == overlapped) return slot.inFlight ? &slot : nullptr;
        }
        return nullptr;
    }

    // Waits for reads in flight to finish: as many as have, at least one.
    bool collect() {
        OVERLAPPED_ENTRY done[16];
        ULONG count = 0;
        if (!GetQueuedCompletionStatusEx(m_port, done, 16, &count, INFINITE, FALSE)) return false;
        for (ULONG k = 0; k < count; ++k) {
            Slot* slot = slotOf(done[k].lpOverlapped);
            if (slot == nullptr) continue;
            DWORD got = 0;
            const bool read = GetOverlappedResult(slot->handle, &slot->overlapped, &got, FALSE);
            m_finished.emplace_back(slot->tag, read                                 ? got
                                               : GetLastError() == ERROR_HANDLE_EOF ? 0
                                                                                    : -1);
            slot->inFlight = false;
            m_free.push_back(static_cast<std::size_t>(slot - m_slots.data()));
        }
        return true;
    }

    PortTies& m_ties;
    const std::uint64_t m_id;
    const HANDLE m_port;
    std::vector<Slot> m_slots;
    std::vector<std::size_t> m_free;
    std::deque<std::pair<std::uint64_t, std::int64_t>> m_finished;
};

}  // namespace

std::unique_ptr<ReadQueue> makePortReadQueue(PortTies& ties, std::size_t depth) {
    HANDLE port = CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1);
    if (port == nullptr) return nullptr;
    return std::make_unique<PortReadQueue>(ties, port, depth);
}

}  // namespace platform
