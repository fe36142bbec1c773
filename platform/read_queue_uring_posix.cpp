#include "platform/read_queue_uring_posix.h"

#include <liburing.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "platform/read_queue.h"
#include "platform/ring_wait_uring_posix.h"

namespace platform {
namespace {

class UringReadQueue final : public ReadQueue {
public:
    explicit UringReadQueue(unsigned depth) : m_slots(depth) {
        for (unsigned slot = depth; slot-- > 0;) m_free.push_back(slot);
    }
    ~UringReadQueue() override {
        if (m_ready) io_uring_queue_exit(&m_ring);
    }
    UringReadQueue(const UringReadQueue&) = delete;
    UringReadQueue& operator=(const UringReadQueue&) = delete;

    bool init() {
        m_ready = io_uring_queue_init(static_cast<unsigned>(m_slots.size()), &m_ring, 0) == 0;
        return m_ready;
    }

    std::size_t depth() const override { return m_slots.size(); }

    void start(const File& file, std::int64_t offset, void* buffer, std::size_t count,
               std::uint64_t tag) override {
        const unsigned slot = m_free.back();
        m_free.pop_back();
        m_slots[slot] = {static_cast<int>(file.nativeHandle()), offset, buffer, count, tag};
        io_uring_sqe* entry = nextEntry();
        if (entry == nullptr) {
            readPlainly(slot);
            return;
        }
        io_uring_prep_read(entry, m_slots[slot].fd, buffer, static_cast<unsigned>(count),
                           static_cast<__u64>(offset));
        io_uring_sqe_set_data64(entry, slot);
        m_unsubmitted.push_back(slot);
    }

    bool finish(std::uint64_t& tag, std::int64_t& result) override {
        for (;;) {
            if (!m_readPlainly.empty()) {
                std::tie(tag, result) = m_readPlainly.front();
                m_readPlainly.pop_front();
                return true;
            }
            if (m_inRing == 0 && m_unsubmitted.empty()) return false;
            io_uring_cqe* done = nullptr;
            if (io_uring_peek_cqe(&m_ring, &done) == 0) {
                finishFromRing(done, tag, result);
                return true;
            }
            // Reads wait to be submitted until one must be waited for: many per system call.
            if (!m_unsubmitted.empty()) {
                submit(true);
            } else if (waitForCompletion(m_ring, done)) {
                finishFromRing(done, tag, result);
                return true;
            } else {
                // The ring can tell nothing more: its reads count as failed.
                giveUpOnRing();
            }
        }
    }

private:
    struct Slot {
        int fd;
        std::int64_t offset;
        void* buffer;
        std::size_t count;
        std::uint64_t tag;
    };

    // Room in the ring for one more read; null once the ring has failed.
    io_uring_sqe* nextEntry() {
        if (m_failed) return nullptr;
        io_uring_sqe* entry = io_uring_get_sqe(&m_ring);
        if (entry != nullptr) return entry;
        submit();
        entry = m_failed ? nullptr : io_uring_get_sqe(&m_ring);
        if (entry == nullptr) fail();
        return entry;
    }

    // The reads prepared go to the ring, the oldest first; should it refuse them,
    // they and every read after are done plainly.
    void submit(bool wait = false) {
        int got = -EINTR;
        while (got == -EINTR) {
            got = wait ? io_uring_submit_and_wait(&m_ring, 1) : io_uring_submit(&m_ring);
        }
        // A ring that takes nothing with nothing in flight would be waited on for ever.
        if (got < 0 || (got == 0 && m_inRing == 0)) {
            fail();
            return;
        }
        const auto taken = std::min(static_cast<std::size_t>(got), m_unsubmitted.size());
        m_unsubmitted.erase(m_unsubmitted.begin(),
                            m_unsubmitted.begin() + static_cast<std::ptrdiff_t>(taken));
        m_inRing += taken;
    }

    // A failed ring is never entered again, so what it was not given is done plainly.
    void fail() {
        m_failed = true;
        for (const unsigned slot : m_unsubmitted) readPlainly(slot);
        m_unsubmitted.clear();
    }

    void giveUpOnRing() {
        m_failed = true;
        std::vector<bool> free(m_slots.size(), false);
        for (const unsigned slot : m_free) free[slot] = true;
        for (unsigned slot = 0; slot < m_slots.size(); ++slot) {
            if (free[slot]) continue;
            m_readPlainly.emplace_back(m_slots[slot].tag, -1);
            m_free.push_back(slot);
        }
        m_inRing = 0;
    }

    void readPlainly(unsigned slot) {
        m_readPlainly.emplace_back(m_slots[slot].tag, again(m_slots[slot]));
        m_free.push_back(slot);
    }

    void finishFromRing(io_uring_cqe* done, std::uint64_t& tag, std::int64_t& result) {
        const auto slot = static_cast<unsigned>(io_uring_cqe_get_data64(done));
        const int got = done->res;
        io_uring_cqe_seen(&m_ring, done);
        --m_inRing;
        m_free.push_back(slot);
        const Slot& read = m_slots[slot];
        tag = read.tag;
        // A regular file reads short only at its end, here as with pread; a read the
        // kernel gave up on is done again the plain way.
        result = got >= 0 ? got : got == -EAGAIN || got == -EINTR ? again(read) : -1;
    }

    static std::int64_t again(const Slot& read) {
        for (;;) {
            const ssize_t got = pread(read.fd, read.buffer, read.count, read.offset);
            if (got >= 0 || errno != EINTR) return got < 0 ? -1 : static_cast<std::int64_t>(got);
        }
    }

    io_uring m_ring{};
    bool m_ready = false;
    bool m_failed = false;
    std::vector<Slot> m_slots;
    std::vector<unsigned> m_free;
    // Prepared in the ring in this order, not yet taken by the kernel.
    std::deque<unsigned> m_unsubmitted;
    std::size_t m_inRing = 0;
    std::deque<std::pair<std::uint64_t, std::int64_t>> m_readPlainly;
};

}  // namespace

std::unique_ptr<ReadQueue> makeUringReadQueue(unsigned depth) {
    auto queue = std::make_unique<UringReadQueue>(depth);
    if (!queue->init()) return nullptr;
    return queue;
}

}  // namespace platform
