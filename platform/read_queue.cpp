#include "platform/read_queue.h"

#include <deque>
#include <utility>

#include "platform/file_system.h"

namespace platform {
namespace {

class SynchronousReadQueue final : public ReadQueue {
public:
    std::size_t depth() const override { return 64; }

    void start(const File& file, std::int64_t offset, void* buffer, std::size_t count,
               std::uint64_t tag) override {
        m_finished.emplace_back(tag, file.readAt(offset, buffer, count));
    }

    bool finish(std::uint64_t& tag, std::int64_t& result) override {
        if (m_finished.empty()) return false;
        std::tie(tag, result) = m_finished.front();
        m_finished.pop_front();
        return true;
    }

private:
    std::deque<std::pair<std::uint64_t, std::int64_t>> m_finished;
};

}  // namespace

std::unique_ptr<ReadQueue> makeSynchronousReadQueue() {
    return std::make_unique<SynchronousReadQueue>();
}

}  // namespace platform
