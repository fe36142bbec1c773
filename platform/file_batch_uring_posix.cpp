#include "platform/file_batch_uring_posix.h"

#include <liburing.h>

#include <algorithm>
#include <cerrno>

#include "platform/ring_wait_uring_posix.h"

namespace platform {
namespace {

// Requests in the ring at once.
constexpr unsigned kRing = 64;

class UringFileBatch final : public FileBatch {
public:
    UringFileBatch() = default;
    ~UringFileBatch() override {
        if (m_ready) io_uring_queue_exit(&m_ring);
    }
    UringFileBatch(const UringFileBatch&) = delete;
    UringFileBatch& operator=(const UringFileBatch&) = delete;

    bool init() {
        m_ready = io_uring_queue_init(kRing, &m_ring, 0) == 0;
        return m_ready;
    }

    void open(const std::vector<int>& dirFds, const std::vector<const char*>& names, int flags,
              std::vector<int>& fds) override {
        fds.assign(names.size(), -EIO);
        const std::size_t done = forEachSlice(
            names.size(),
            [&](io_uring_sqe* entry, std::size_t k) {
                io_uring_prep_openat(entry, dirFds[k], names[k], flags, 0);
            },
            [&](std::size_t k, int result) { fds[k] = result; });
        if (done == names.size()) return;
        const auto from = static_cast<std::ptrdiff_t>(done);
        std::vector<int> rest;
        FileBatch::open({dirFds.begin() + from, dirFds.end()}, {names.begin() + from, names.end()},
                        flags, rest);
        std::copy(rest.begin(), rest.end(), fds.begin() + from);
    }

    void close(const std::vector<int>& fds) override {
        const std::size_t done = forEachSlice(
            fds.size(),
            [&](io_uring_sqe* entry, std::size_t k) { io_uring_prep_close(entry, fds[k]); },
            [](std::size_t, int) {});
        FileBatch::close({fds.begin() + static_cast<std::ptrdiff_t>(done), fds.end()});
    }

    void advise(const std::vector<int>& fds, int advice) override {
        const std::size_t done = forEachSlice(
            fds.size(),
            [&](io_uring_sqe* entry, std::size_t k) {
                io_uring_prep_fadvise(entry, fds[k], 0, 0, advice);
            },
            [](std::size_t, int) {});
        FileBatch::advise({fds.begin() + static_cast<std::ptrdiff_t>(done), fds.end()}, advice);
    }

private:
    // Prepares requests a ring's worth at a time, submits them with one call and
    // hands each result on. Answers how many came through the ring: all of them
    // unless the ring failed, which leaves those after to plain calls for the
    // rest of the run. Requests the ring took are waited for, never made twice:
    // a close made twice could close a descriptor opened meanwhile.
    template <typename Prepare, typename Done>
    std::size_t forEachSlice(std::size_t count, Prepare prepare, Done done) {
        std::size_t begin = 0;
        while (begin < count && !m_failed) {
            const std::size_t end = std::min(count, begin + kRing);
            std::size_t prepared = begin;
            for (; prepared < end; ++prepared) {
                io_uring_sqe* entry = io_uring_get_sqe(&m_ring);
                if (entry == nullptr) break;
                prepare(entry, prepared);
                io_uring_sqe_set_data64(entry, prepared);
            }
            // Unsubmitted requests stay where they are: a failed ring is never entered again.
            if (prepared < end) m_failed = true;
            const std::size_t taken = submitAndReap(m_failed ? 0 : end - begin, done);
            begin += taken;
        }
        return begin;
    }

    // Submits `count` prepared requests and waits for all that the ring takes.
    template <typename Done>
    std::size_t submitAndReap(std::size_t count, Done done) {
        std::size_t submitted = 0;
        std::size_t reaped = 0;
        while (submitted < count && !m_failed) {
            const int got = io_uring_submit_and_wait(&m_ring, 1);
            // A ring that takes nothing with nothing in flight would be waited on for ever.
            if (got > 0 || (got == 0 && submitted > reaped)) {
                submitted += static_cast<std::size_t>(got);
            } else if (got != -EINTR) {
                m_failed = true;
            }
            reaped += reapReady(submitted - reaped, done);
        }
        while (reaped < submitted) {
            io_uring_cqe* completed = nullptr;
            if (!waitForCompletion(m_ring, completed)) {
                // Nothing more can be learnt from the ring: whatever it still does is its own.
                m_failed = true;
                break;
            }
            reaped += reapReady(submitted - reaped, done);
        }
        return submitted;
    }

    template <typename Done>
    std::size_t reapReady(std::size_t most, Done done) {
        std::size_t reaped = 0;
        io_uring_cqe* completed = nullptr;
        while (reaped < most && io_uring_peek_cqe(&m_ring, &completed) == 0) {
            done(io_uring_cqe_get_data64(completed), completed->res);
            io_uring_cqe_seen(&m_ring, completed);
            ++reaped;
        }
        return reaped;
    }

    io_uring m_ring{};
    bool m_ready = false;
    bool m_failed = false;
};

}  // namespace

std::unique_ptr<FileBatch> makeUringFileBatch() {
    auto batch = std::make_unique<UringFileBatch>();
    if (!batch->init()) return nullptr;
    return batch;
}

}  // namespace platform
