// Waiting on an io_uring (Linux builds with io_uring only).
#pragma once

#include <liburing.h>

namespace platform {

// Waits for the ring's next completion. Where the system refuses the wait (a
// sandbox may allow a ring yet not every call on it), the ring's descriptor is
// polled instead, since a request once submitted always completes. False only
// when neither can be done.
bool waitForCompletion(io_uring& ring, io_uring_cqe*& done);

}  // namespace platform
