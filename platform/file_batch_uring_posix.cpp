#include <liburing.h>

#include <algorithm>
#include <cerrno>

#include "platform/file_batch_posix.h"

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

    void open(int dirFd, const std::vector<const char*>& names, int flags,
              std::vector<int>& fds) override {
        fds.assign(names.size(), -EIO);
        forEachSlice(
            names.size(),
            [&](io_uring_sqe* entry, std::size_t k) {
                io_uring_prep_openat(entry, dirFd, names[k], flags, 0);
            },
            [&](std::size_t k, int result) { fds[k] = result; });
    }

    void close(const std::vector<int>& fds) override {
        forEachSlice(
            fds.size(),
            [&](io_uring_sqe* entry, std::size_t k) { io_uring_prep_close(entry, fds[k]); },
            [](std::size_t, int) {});
    }

    void advise(const std::vector<int>& fds, int advice) override {
        forEachSlice(
            fds.size(),
            [&](io_uring_sqe* entry, std::size_t k) {
                io_uring_prep_fadvise(entry, fds[k], 0, 0, advice);
            },
            [](std::size_t, int) {});
    }

private:
    // Prepares requests a ring's worth at a time, submits them with one call and
    // hands each result on; a ring that fails leaves the rest to the caller's -EIO.
    template <typename Prepare, typename Done>
    void forEachSlice(std::size_t count, Prepare prepare, Done done) {
        for (std::size_t begin = 0; begin < count; begin += kRing) {
            const std::size_t end = std::min(count, begin + kRing);
            for (std::size_t k = begin; k < end; ++k) {
                io_uring_sqe* entry = io_uring_get_sqe(&m_ring);
                prepare(entry, k);
                io_uring_sqe_set_data64(entry, k);
            }
            std::size_t reaped = 0;
            while (reaped < end - begin) {
                const int submitted = io_uring_submit_and_wait(&m_ring, 1);
                if (submitted < 0 && submitted != -EINTR) return;
                io_uring_cqe* completed = nullptr;
                while (reaped < end - begin && io_uring_peek_cqe(&m_ring, &completed) == 0) {
                    done(io_uring_cqe_get_data64(completed), completed->res);
                    io_uring_cqe_seen(&m_ring, completed);
                    ++reaped;
                }
            }
        }
    }

    io_uring m_ring{};
    bool m_ready = false;
};

}  // namespace

std::unique_ptr<FileBatch> makeUringFileBatch() {
    auto batch = std::make_unique<UringFileBatch>();
    if (!batch->init()) return nullptr;
    return batch;
}

}  // namespace platform
