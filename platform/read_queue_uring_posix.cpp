#include "platform/read_queue_uring_posix.h"

#include <liburing.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/file_system.h"
#include "platform/read_queue.h"

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
        io_uring_sqe* entry = io_uring_get_sqe(&m_ring);
        if (entry == nullptr) {
            io_uring_submit(&m_ring);
            entry = io_uring_get_sqe(&m_ring);
        }
        io_uring_prep_read(entry, m_slots[slot].fd, buffer, static_cast<unsigned>(count),
                           static_cast<__u64>(offset));
        io_uring_sqe_set_data64(entry, slot);
        ++m_unsubmitted;
    }

    bool finish(std::uint64_t& tag, std::int64_t& result) override {
        if (m_free.size() == m_slots.size()) return false;
        io_uring_cqe* done = nullptr;
        // Reads wait to be submitted until one must be waited for: many per system call.
        while (io_uring_peek_cqe(&m_ring, &done) != 0) {
            const int error = m_unsubmitted > 0 ? io_uring_submit_and_wait(&m_ring, 1)
                                                : io_uring_wait_cqe(&m_ring, &done);
            if (error >= 0) {
                m_unsubmitted = 0;
                if (done != nullptr) break;
            } else if (error != -EINTR) {
                return false;
            }
        }
        const auto slot = static_cast<unsigned>(io_uring_cqe_get_data64(done));
        const int got = done->res;
        io_uring_cqe_seen(&m_ring, done);
        m_free.push_back(slot);
        const Slot& read = m_slots[slot];
        tag = read.tag;
        // A regular file reads short only at its end, here as with pread; a read the
        // kernel gave up on is done again the plain way.
        result = got >= 0 ? got : got == -EAGAIN || got == -EINTR ? again(read) : -1;
        return true;
    }

private:
    struct Slot {
        int fd;
        std::int64_t offset;
        void* buffer;
        std::size_t count;
        std::uint64_t tag;
    };

    static std::int64_t again(const Slot& read) {
        for (;;) {
            const ssize_t got = pread(read.fd, read.buffer, read.count, read.offset);
            if (got >= 0 || errno != EINTR) return got < 0 ? -1 : static_cast<std::int64_t>(got);
        }
    }

    io_uring m_ring{};
    bool m_ready = false;
    std::vector<Slot> m_slots;
    std::vector<unsigned> m_free;
    unsigned m_unsubmitted = 0;
};

}  // namespace

std::unique_ptr<ReadQueue> makeUringReadQueue(unsigned depth) {
    auto queue = std::make_unique<UringReadQueue>(depth);
    if (!queue->init()) return nullptr;
    return queue;
}

}  // namespace platform
