#include "platform/ring_wait_uring_posix.h"

#include <poll.h>

#include <cerrno>

namespace platform {

bool waitForCompletion(io_uring& ring, io_uring_cqe*& done) {
    int error = -EINTR;
    while (error == -EINTR) error = io_uring_wait_cqe(&ring, &done);
    if (error == 0) return true;
    pollfd ready{ring.ring_fd, POLLIN, 0};
    while (io_uring_peek_cqe(&ring, &done) != 0) {
        if (::poll(&ready, 1, -1) < 0 && errno != EINTR) return false;
    }
    return true;
}

}  // namespace platform
