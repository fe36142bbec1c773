// io_uring reads, Linux builds with TWINSCOUT_IO_URING only.
#pragma once

#include <memory>

#include "platform/read_queue.h"

namespace platform {

// Null where the system refuses io_uring (some containers and kernels do).
std::unique_ptr<ReadQueue> makeUringReadQueue(unsigned depth);

}  // namespace platform
