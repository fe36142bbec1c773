#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "finder/catalogue.h"
#include "platform/file_system.h"

// The comparison reads a file first at its head, then, while it is still undecided
// and longer than both, at its last block.
inline constexpr std::int64_t kHeadBytes = 4096;
inline constexpr std::int64_t kTailBytes = 4096;

struct EarlyRead;

// One read through the read queue.
struct QueuedRead {
    std::int64_t result = -1;
    bool queued = false;
    bool done = false;
    EarlyRead* headOf = nullptr;  // the read-ahead's own head reads note their end
};

// What was opened and read of one file before the comparison asked for it.
struct EarlyRead {
    platform::File file;  // until the comparison takes it
    bool opened = false;  // its name still led to the file listed
    std::vector<char> head;
    std::vector<char> tail;
    std::int64_t tailOffset = -1;
    QueuedRead headRead;
    QueuedRead tailRead;
    struct AheadRun* run = nullptr;
};

// A run of files of equal size, as the read-ahead sees it.
struct AheadRun {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::vector<std::size_t> toOpen;  // the first name of each distinct file, in read order
    std::size_t opened = 0;           // entries of toOpen handled so far
    std::size_t headsLeft = 0;
    bool entered = false;  // the comparison works on it: nothing more is started for it
    bool tailsDecided = false;
    std::vector<bool> claimed;
    std::vector<std::unique_ptr<EarlyRead>> early;  // by member; null where none
};

// Keeps a few hundred files ahead of the comparison open, and their first bytes read
// or in flight, many at a time, whatever run they belong to: on a cold cache the disk
// then works on many requests at once, in an order it chooses. Files whose heads
// have a twin in their run have their last block read early too. The comparison's
// own reads go through the same queue, ahead of the rest.
class ReadAhead {
public:
    // `held`: files the listing left open, numbered by the entries' `held`; those of
    // the runs it reads are its own.
    ReadAhead(platform::FileSystem& fileSystem, const Catalogue& files,
              std::vector<platform::File>& held, std::size_t openFiles);
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The comparison takes up the next run of files of one size that has more than one
    // file and a size above 0, in catalogue order, and then leaves it.
    void enter();
    void leave();

    // The early read of a member of the run entered, the first time it is asked for
    // only: null where there is none, and from then on none is started for it.
    EarlyRead* claim(std::size_t member);
    // The early read's file, once its reads have finished.
    platform::File take(EarlyRead& early);
    // The bytes `asked` at `offset`, if they were read early: `got` as readAt gives it.
    bool copy(EarlyRead& early, std::int64_t offset, char* buffer, std::size_t asked,
              std::int64_t& got);

    // The comparison's own reads, started before any read-ahead still waiting.
    void start(const platform::File& file, std::int64_t offset, char* buffer, std::size_t count,
               QueuedRead& read);
    void wait(QueuedRead& read);

private:
    struct Request {
        const platform::File* file;
        std::int64_t offset;
        char* buffer;
        std::size_t count;
        QueuedRead* read;
    };

    platform::File takeHeld(std::size_t position);
    std::vector<char> buffer(std::size_t size);
    void giveBack(std::vector<char>& buffer);
    bool addRun();
    void fill();
    void openEarly(AheadRun& run, std::size_t member, platform::File file,
                   const platform::FileStatus& status);
    void readTails(AheadRun& run);
    void pump();
    bool finishOne();

    platform::FileSystem& m_fileSystem;
    const Catalogue& m_files;
    std::vector<platform::File>& m_held;
    const std::unique_ptr<platform::ReadQueue> m_queue;
    const std::size_t m_openLimit;
    std::size_t m_open = 0;      // files the read-ahead holds open
    std::size_t m_inFlight = 0;  // reads started and not yet finished
    std::size_t m_next = 0;      // catalogue position of the next run to look at
    std::deque<AheadRun> m_runs;
    std::deque<Request> m_waiting;  // reads to start when the queue has room
    // Buffers read into before, kept for the next files: fresh ones cost page faults.
    std::vector<std::vector<char>> m_spare;
};
