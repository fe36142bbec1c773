#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

class File;

// Reads of open files kept in flight together, so that a disk with a cold cache
// works on many at once, while the program stays on one thread: they finish in
// whatever order the system completes them.
class ReadQueue {
public:
    virtual ~ReadQueue() = default;
    // How many reads may be in flight at once; start() is never called beyond it.
    virtual std::size_t depth() const = 0;
    // Starts reading `count` bytes at `offset` of `file` into `buffer`, which must stay
    // valid, like the file, until the read is finished; `tag` names it then.
    virtual void start(const File& file, std::int64_t offset, void* buffer, std::size_t count,
                       std::uint64_t tag) = 0;
    // Waits for one started read: `result` as File::readAt gives it. False when none
    // is in flight.
    virtual bool finish(std::uint64_t& tag, std::int64_t& result) = 0;
};

// Each read done as it is started: where the system offers nothing better.
std::unique_ptr<ReadQueue> makeSynchronousReadQueue();

}  // namespace platform
