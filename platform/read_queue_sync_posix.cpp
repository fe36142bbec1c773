#include "platform/read_queue_posix.h"

namespace platform {

std::unique_ptr<ReadQueue> makeReadQueue() { return makeSynchronousReadQueue(); }

}  // namespace platform
