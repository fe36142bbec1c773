// The read queue of POSIX builds: io_uring where the build has it and the system
// allows it (some containers and kernels refuse it), plain reads otherwise.
#pragma once

#include <memory>

#include "platform/read_queue.h"

namespace platform {

std::unique_ptr<ReadQueue> makeReadQueue();

}  // namespace platform
