#pragma once

#include <cstddef>
#include <vector>

#include "finder/band_files.h"
#include "finder/band_queue.h"
#include "finder/catalogue.h"
#include "finder/open_ledger.h"
#include "finder/queued_reads.h"
#include "platform/file_system.h"

// Opens the files of the bands after the one compared and starts the reads their
// comparison will ask first: every head, then the last block of each file whose head
// matches another's; a file whose head matches none is closed again at once. Many reads
// are then in flight, so that a disk with a cold cache orders and overlaps them. Bands
// are taken in catalogue order, within the ledger's share and a bound on the buffers.
class ReadAhead {
public:
    ReadAhead(platform::FileSystem& fileSystem, const Catalogue& files, OpenLedger& ledger,
              ClosingFiles& closing, QueuedReads& reads, BandQueue& bands);

    // Reads on ahead, once half of what it may hold is taken up by the comparison.
    void fill();
    // The comparison takes up the band at the front: what was read of it is its own.
    void enter(BandState& band);
    // The band is left: its files are closed, and its buffers serve the next files.
    void leave(BandState& band);

private:
    std::size_t room() const;
    std::size_t startHeads(BandState& band, std::size_t room);
    void learnHeads(BandState& band);
    void startTails(BandState& band);
    EarlyRead& startEarly(BandFile& file, std::size_t slot, std::int64_t offset, std::size_t count);

    platform::FileSystem& m_fileSystem;
    const Catalogue& m_files;
    OpenLedger& m_ledger;
    ClosingFiles& m_closing;
    QueuedReads& m_reads;
    BandQueue& m_bands;
    // Buffers read into before, for the next files: fresh ones cost page faults.
    std::vector<std::vector<char>> m_spare;
    std::size_t m_buffersHeld = 0;  // by the bands, until they are left
};
