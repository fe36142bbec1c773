#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "finder/band_files.h"
#include "finder/comparison_parts.h"

// Reads the chunks that the classification of the band compared asks for: bytes read
// ahead are taken as they are, the other files opened as needed, a batch at a time
// through the queue. A file is closed once read whole or when the band's share of
// handles is spent; read whole, it is checked unchanged since its first open, where an
// open file does not keep others from changing it. An open refused for want of handles
// closes every file of every band, and is tried again within what the system allowed.
class ChunkReader {
public:
    explicit ChunkReader(const ComparisonParts& parts);

    // As ChunkSource::read, for the band's `files`.
    std::vector<bool> read(BandState& band, const std::vector<std::size_t>& files,
                           std::int64_t offset, std::size_t count,
                           const std::vector<char*>& buffers);
    // Nothing more will be read of the band's file; `paired`: read whole, equal to another.
    void release(BandFile& file, bool paired);
    // Whether a file could not be opened for want of handles, even with every other
    // file closed.
    bool incomplete() const { return m_incomplete; }

private:
    bool copyEarly(BandFile& file, std::int64_t offset, char* buffer, std::size_t asked,
                   std::int64_t& got);
    void readThrough(BandState& band, BandFile& file, std::int64_t offset, std::int64_t end,
                     std::vector<const platform::File*>& sequential);
    void checkUnchanged(BandFile& file);
    void close(BandFile& file);
    bool relieve(std::size_t openAtRefusal);

    ComparisonParts m_parts;
    const bool m_checkWhenRead;
    bool m_incomplete = false;
    // Reused from one read to the next, for their memory.
    std::vector<std::size_t> m_pending;
    std::vector<QueuedRead> m_batch;
    std::vector<std::size_t> m_toOpen;
};
