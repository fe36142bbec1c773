#pragma once

#include <cstddef>
#include <vector>

#include "finder/band_files.h"
#include "finder/comparison_parts.h"

// Opens the files of the bands after the one compared and starts the reads their
// comparison will ask first: every head, then the last block of each file whose head
// matches another's; a file whose head matches none is closed again at once. Many reads
// are then in flight, so that a disk with a cold cache orders and overlaps them. Bands
// are taken in catalogue order, within the ledger's share and a bound on the buffers.
class ReadAhead {
public:
    explicit ReadAhead(const ComparisonParts& parts);

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
    void startEarly(BandFile& file, std::size_t slot, std::int64_t offset, std::size_t count);

    ComparisonParts m_parts;
    // Buffers read into before, for the next files: fresh ones cost page faults.
    std::vector<std::vector<char>> m_spare;
    std::size_t m_buffersHeld = 0;  // by the bands, until they are left
};
