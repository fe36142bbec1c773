#include "finder/queued_reads.h"

namespace {

std::uint64_t tagOf(QueuedRead& read) { return reinterpret_cast<std::uintptr_t>(&read); }

}  // namespace

QueuedReads::~QueuedReads() {
    m_waiting.clear();
    while (finishOne()) {
    }
}

void QueuedReads::start(const platform::File& file, std::int64_t offset, char* buffer,
                        std::size_t count, QueuedRead& read, bool urgent) {
    read = QueuedRead{};
    read.started = true;
    const Request request{&file, offset, buffer, count, &read};
    if (urgent) {
        m_waiting.push_front(request);
    } else {
        m_waiting.push_back(request);
    }
    pump();
}

void QueuedReads::wait(QueuedRead& read) {
    while (read.started && !read.done) {
        pump();
        if (!finishOne()) {
            read.done = true;  // never started: can't happen, but must not hang
            break;
        }
    }
}

void QueuedReads::waitAll() {
    while (!m_waiting.empty() || m_inFlight > 0) {
        pump();
        if (!finishOne()) break;
    }
}

void QueuedReads::pump() {
    while (m_inFlight < m_queue->depth() && !m_waiting.empty()) {
        const Request request = m_waiting.front();
        m_waiting.pop_front();
        m_queue->start(*request.file, request.offset, request.buffer, request.count,
                       tagOf(*request.read));
        ++m_inFlight;
    }
}

bool QueuedReads::finishOne() {
    std::uint64_t tag = 0;
    std::int64_t result = -1;
    if (!m_queue->finish(tag, result)) return false;
    --m_inFlight;
    auto& read = *reinterpret_cast<QueuedRead*>(static_cast<std::uintptr_t>(tag));
    read.result = result;
    read.done = true;
    return true;
}
