#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>

#include "platform/file_system.h"
#include "platform/read_queue.h"

// One read through QueuedReads.
struct QueuedRead {
    std::int64_t result = -1;
    bool started = false;
    bool done = false;
};

// Keeps reads in flight through a read queue, as many as it takes at once, the others
// waiting their turn; urgent reads go ahead of every read still waiting.
class QueuedReads {
public:
    explicit QueuedReads(std::unique_ptr<platform::ReadQueue> queue) : m_queue(std::move(queue)) {}
    // The queue writes into buffers and reads through files that are the callers' to
    // free: every read in flight is waited for first.
    ~QueuedReads();
    QueuedReads(const QueuedReads&) = delete;
    QueuedReads& operator=(const QueuedReads&) = delete;

    // `file`, `buffer` and `read` must stay valid until the read is done.
    void start(const platform::File& file, std::int64_t offset, char* buffer, std::size_t count,
               QueuedRead& read, bool urgent);
    void wait(QueuedRead& read);
    void waitAll();

private:
    struct Request {
        const platform::File* file;
        std::int64_t offset;
        char* buffer;
        std::size_t count;
        QueuedRead* read;
    };

    void pump();
    bool finishOne();

    const std::unique_ptr<platform::ReadQueue> m_queue;
    std::size_t m_inFlight = 0;
    std::deque<Request> m_waiting;
};
