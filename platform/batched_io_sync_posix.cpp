#include "platform/batched_io_posix.h"

namespace platform {

FileBatch& fileBatch() {
    static FileBatch plain;
    return plain;
}

std::unique_ptr<ReadQueue> makeReadQueue() { return makeSynchronousReadQueue(); }

}  // namespace platform
