#include "platform/batched_io_posix.h"
#include "platform/file_batch_uring_posix.h"
#include "platform/read_queue_uring_posix.h"

namespace platform {
namespace {

// Enough reads in flight for a disk to order them well, few enough to stay cheap.
constexpr unsigned kQueueDepth = 64;

}  // namespace

FileBatch& fileBatch() {
    static const std::unique_ptr<FileBatch> batch = [] {
        auto ring = makeUringFileBatch();
        return ring ? std::move(ring) : std::make_unique<FileBatch>();
    }();
    return *batch;
}

std::unique_ptr<ReadQueue> makeReadQueue() {
    if (auto queue = makeUringReadQueue(kQueueDepth)) return queue;
    return makeSynchronousReadQueue();
}

}  // namespace platform
