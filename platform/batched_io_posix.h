// What this build does many file operations with (POSIX builds only): io_uring
// where it was built with it and the system allows it, plain calls otherwise.
#pragma once

#include <memory>

#include "platform/file_batch_posix.h"
#include "platform/read_queue.h"

namespace platform {

// One for the run, made when first needed.
FileBatch& fileBatch();
std::unique_ptr<ReadQueue> makeReadQueue();

}  // namespace platform
