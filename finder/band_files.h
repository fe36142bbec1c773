#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "finder/band.h"
#include "finder/catalogue.h"
#include "finder/content_classes.h"
#include "finder/open_ledger.h"
#include "finder/queued_reads.h"
#include "platform/file_system.h"

struct ComparisonParts;

// Bytes of a file's head, and the bytes asked for them: one more where the head is the
// whole file, so a file grown since the listing never passes.
std::size_t headBytes(std::int64_t size);
std::size_t headAsked(std::int64_t size);

// Bytes read before the comparison asked for them: the head, or the last block.
struct EarlyRead {
    std::vector<char> bytes;
    std::int64_t offset = -1;
    QueuedRead read;
};

inline constexpr std::size_t kNoName = SIZE_MAX;

// One distinct file of a band as the comparison reads it.
struct BandFile {
    CountedFile file;
    std::size_t opener = kNoName;  // which of its names opened it: an index into them
    platform::FileStatus opened;   // what its first open saw: the file as read
    bool failed = false;           // not read whole, or changed since its first open
    // Read whole while closed: its name is looked at again before it may pair.
    bool checkByName = false;
    bool advised = false;                             // told it is read on sequentially
    std::int64_t readTo = 0;                          // bytes read from the head on
    std::int64_t readFrom = 0;                        // and from here to the end
    std::unique_ptr<std::array<EarlyRead, 2>> early;  // head and last block, read ahead

    bool readWhole() const { return readTo >= readFrom; }
};

// How far the read-ahead has gone in a band; the band compared is past all of it.
enum class BandPhase {
    listed,        // nothing opened yet
    headsStarted,  // every file opened and its head's read started, or tried
    headsRead,     // every head in: the files whose heads match another's are known
    tailsStarted,  // the last block of each of those started too
    compared,      // taken up by the comparison: it asks what it reads
};

struct BandState {
    Band band;
    std::vector<BandFile> files;
    std::vector<bool> gone;  // by name, at position - begin: no longer led to the file listed
    BandPhase phase = BandPhase::listed;
    std::size_t headsNext = 0;         // files before it were opened for their heads, or tried
    std::vector<std::size_t> mayPair;  // once the heads are read
    std::size_t tailsNext = 0;         // of mayPair: those before had their last block started
};

// Whether a file opened now is the one listed: a name replaced since must not lend
// its bytes to the others. Where the listing had no identity, the open supplies it.
bool isAsListed(const platform::FileStatus& now, const Catalogue::Entry& listed);

// Opens each of the band's `files` for `use`: again by the name that opened it before,
// where it was, and otherwise by the first of its names that still leads to the file
// listed; by name in its directory where that is kept. A name that does not lead to
// the file listed is gone; a file found changed since its first open has failed.
// Returns the files the system refused for want of handles.
std::vector<std::size_t> openBandFiles(const ComparisonParts& parts, BandState& band,
                                       const std::vector<std::size_t>& files, OpenLedger::Use use);
