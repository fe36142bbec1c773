// Opens and closes of many files through io_uring (Linux builds with io_uring only).
#pragma once

#include <memory>

#include "platform/file_batch_posix.h"

namespace platform {

// Null where the system refuses io_uring. A ring that fails later leaves the
// rest of the run to plain calls.
std::unique_ptr<FileBatch> makeUringFileBatch();

}  // namespace platform
