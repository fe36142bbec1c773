#include "finder/read_ahead.h"

#include <algorithm>
#include <cstring>

#include "finder/run_files.h"

namespace {

std::uint64_t tagOf(QueuedRead& read) { return reinterpret_cast<std::uintptr_t>(&read); }

// Bytes the comparison asks for the head of a file of `size` bytes: one more where
// the head is the whole file, so a file grown since the listing never passes.
std::size_t headAsked(std::int64_t size) {
    return size <= kHeadBytes ? static_cast<std::size_t>(size) + 1
                              : static_cast<std::size_t>(kHeadBytes);
}

}  // namespace

ReadAhead::ReadAhead(platform::FileSystem& fileSystem, const Catalogue& files,
                     std::vector<platform::File>& held, std::size_t openFiles)
    : m_fileSystem(fileSystem),
      m_files(files),
      m_held(held),
      m_queue(fileSystem.readQueue()),
      m_openLimit(std::max<std::size_t>(openFiles, 1)) {}

// The queue writes into buffers and reads through files that are ours to free.
ReadAhead::~ReadAhead() {
    m_waiting.clear();
    while (finishOne()) {
    }
}

void ReadAhead::enter() {
    // Every run before it was entered and left, so it is first, or next to be found.
    fill();
    m_runs.front().entered = true;
}

void ReadAhead::leave() {
    AheadRun& run = m_runs.front();
    // Waiting refills: nothing more may be opened for the run on its way out.
    run.opened = run.toOpen.size();
    std::vector<platform::File> unused;
    for (auto& early : run.early) {
        if (!early) continue;
        if (early->headRead.queued) wait(early->headRead);
        if (early->tailRead.queued) wait(early->tailRead);
        if (early->file) {
            --m_open;
            unused.push_back(std::move(early->file));
        }
        giveBack(early->head);
        giveBack(early->tail);
    }
    for (std::size_t position = run.begin; position < run.end; ++position) {
        if (platform::File held = takeHeld(position)) unused.push_back(std::move(held));
    }
    m_fileSystem.closeAll(unused);
    m_runs.pop_front();
    fill();
}

EarlyRead* ReadAhead::claim(std::size_t member) {
    AheadRun& run = m_runs.front();
    if (run.claimed[member]) return nullptr;
    run.claimed[member] = true;
    return run.early[member].get();
}

platform::File ReadAhead::take(EarlyRead& early) {
    if (early.headRead.queued) wait(early.headRead);
    if (early.tailRead.queued) wait(early.tailRead);
    if (early.file) --m_open;
    return std::move(early.file);
}

bool ReadAhead::copy(EarlyRead& early, std::int64_t offset, char* buffer, std::size_t asked,
                     std::int64_t& got) {
    std::vector<char>* bytes = nullptr;
    QueuedRead* read = nullptr;
    if (offset == 0 && early.head.size() == asked) {
        bytes = &early.head;
        read = &early.headRead;
    } else if (offset == early.tailOffset && early.tail.size() == asked) {
        bytes = &early.tail;
        read = &early.tailRead;
    } else {
        return false;
    }
    wait(*read);
    got = read->result;
    if (got > 0) std::memcpy(buffer, bytes->data(), static_cast<std::size_t>(got));
    // Read once: a second read of the same bytes goes to the file again.
    giveBack(*bytes);
    return true;
}

platform::File ReadAhead::takeHeld(std::size_t position) {
    const std::uint32_t held = m_files[position].held;
    return held == Catalogue::kNotHeld ? platform::File() : std::move(m_held[held]);
}

std::vector<char> ReadAhead::buffer(std::size_t size) {
    std::vector<char> bytes;
    if (!m_spare.empty()) {
        bytes = std::move(m_spare.back());
        m_spare.pop_back();
    }
    bytes.resize(size);
    return bytes;
}

void ReadAhead::giveBack(std::vector<char>& bytes) {
    if (bytes.capacity() == 0) return;
    bytes.clear();
    if (m_spare.size() < 2 * m_openLimit) m_spare.push_back(std::move(bytes));
    bytes = std::vector<char>();
}

void ReadAhead::start(const platform::File& file, std::int64_t offset, char* buffer,
                      std::size_t count, QueuedRead& read) {
    read.queued = true;
    m_waiting.push_front({&file, offset, buffer, count, &read});
    pump();
}

void ReadAhead::wait(QueuedRead& read) {
    while (!read.done) {
        pump();
        if (!finishOne()) {
            read.done = true;  // never started: can't happen, but must not hang
            break;
        }
        fill();
    }
}

// The next run that the comparison will read, if any.
bool ReadAhead::addRun() {
    while (m_next < m_files.size()) {
        const std::size_t begin = m_next;
        const std::size_t end = m_files.runEnd(begin);
        m_next = end;
        if (!m_files.isComparableRun(begin, end)) continue;

        AheadRun& run = m_runs.emplace_back();
        run.begin = begin;
        run.end = end;
        std::vector<platform::FileStatus> listed;
        listed.reserve(end - begin);
        for (std::size_t k = begin; k < end; ++k) listed.push_back(m_files[k].status());
        const auto files = distinctFiles(listed);
        // Names of one file alone are never read.
        if (files.size() > 1) {
            for (const auto& names : files) run.toOpen.push_back(names.front());
        }
        run.claimed.assign(end - begin, false);
        run.early.resize(end - begin);
        return true;
    }
    return false;
}

// Opens files ahead, up to the limit, and starts their head reads; once half of them
// are taken, so that files are opened and read many at a time.
void ReadAhead::fill() {
    if (m_open > m_openLimit / 2 && !m_runs.empty()) return;
    std::vector<std::pair<AheadRun*, std::size_t>> wanted;
    std::vector<const char*> paths;
    while (m_open + wanted.size() < m_openLimit) {
        if (m_runs.empty() || m_runs.back().opened == m_runs.back().toOpen.size()) {
            // Runs whose files can't be opened hold nothing open: bound them apart.
            if (m_runs.size() >= m_openLimit || !addRun()) break;
            continue;
        }
        AheadRun& run = m_runs.back();
        const std::size_t member = run.toOpen[run.opened++];
        if (run.claimed[member]) continue;
        // Held since the listing: the very file listed, with nothing to resolve.
        if (platform::File held = takeHeld(run.begin + member)) {
            openEarly(run, member, std::move(held), m_files[run.begin + member].status());
            continue;
        }
        wanted.emplace_back(&run, member);
        paths.push_back(m_files[run.begin + member].path);
    }
    std::vector<platform::File> files;
    std::vector<platform::FileStatus> statuses;
    m_fileSystem.openAll(paths, files, statuses);
    for (std::size_t k = 0; k < wanted.size(); ++k) {
        openEarly(*wanted[k].first, wanted[k].second, std::move(files[k]), statuses[k]);
    }
    for (AheadRun& run : m_runs) {
        if (run.opened == run.toOpen.size() && run.headsLeft == 0) readTails(run);
    }
    pump();
}

// Only the head is wanted now: the file system was told not to read further ahead.
void ReadAhead::openEarly(AheadRun& run, std::size_t member, platform::File file,
                          const platform::FileStatus& status) {
    auto early = std::make_unique<EarlyRead>();
    early->run = &run;
    const Catalogue::Entry& entry = m_files[run.begin + member];
    if (file && isAsListed(status, entry.status())) {
        early->file = std::move(file);
        early->opened = true;
        ++m_open;
        early->head = buffer(headAsked(entry.size));
        early->headRead.headOf = early.get();
        early->headRead.queued = true;
        m_waiting.push_back(
            {&early->file, 0, early->head.data(), early->head.size(), &early->headRead});
        ++run.headsLeft;
    }
    run.early[member] = std::move(early);
}

// Once every head of a run is in, the files whose heads have a twin there will be
// read at their last block next: start those reads too.
void ReadAhead::readTails(AheadRun& run) {
    const std::int64_t size = m_files[run.begin].size;
    if (run.tailsDecided || run.entered || size <= kHeadBytes + kTailBytes) return;
    run.tailsDecided = true;
    std::vector<EarlyRead*> whole;
    for (const auto& early : run.early) {
        if (early && early->opened && early->headRead.result == kHeadBytes) {
            whole.push_back(early.get());
        }
    }
    const auto byHead = [](const EarlyRead* a, const EarlyRead* b) {
        return std::memcmp(a->head.data(), b->head.data(), kHeadBytes) < 0;
    };
    std::sort(whole.begin(), whole.end(), byHead);
    for (std::size_t k = 0; k < whole.size(); ++k) {
        const bool twin = (k > 0 && !byHead(whole[k - 1], whole[k])) ||
                          (k + 1 < whole.size() && !byHead(whole[k], whole[k + 1]));
        if (!twin) continue;
        EarlyRead& early = *whole[k];
        // The last block reaches the end: one byte more tells a file grown since.
        early.tail = buffer(static_cast<std::size_t>(kTailBytes) + 1);
        early.tailOffset = size - kTailBytes;
        early.tailRead.queued = true;
        m_waiting.push_back(
            {&early.file, early.tailOffset, early.tail.data(), early.tail.size(), &early.tailRead});
    }
}

void ReadAhead::pump() {
    while (m_inFlight < m_queue->depth() && !m_waiting.empty()) {
        const Request request = m_waiting.front();
        m_waiting.pop_front();
        m_queue->start(*request.file, request.offset, request.buffer, request.count,
                       tagOf(*request.read));
        ++m_inFlight;
    }
}

bool ReadAhead::finishOne() {
    std::uint64_t tag = 0;
    std::int64_t result = -1;
    if (!m_queue->finish(tag, result)) return false;
    --m_inFlight;
    auto& read = *reinterpret_cast<QueuedRead*>(static_cast<std::uintptr_t>(tag));
    read.result = result;
    read.done = true;
    if (read.headOf != nullptr) {
        AheadRun& run = *read.headOf->run;
        if (--run.headsLeft == 0 && run.opened == run.toOpen.size()) readTails(run);
    }
    return true;
}
