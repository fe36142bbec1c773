#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A file is read first at its head, then, while it is still undecided and longer than
// both, at its last block, then in the middle.
inline constexpr std::int64_t kHeadBytes = 4096;
inline constexpr std::int64_t kTailBytes = 4096;

// Where the classification reads the files of one band, numbered from 0.
class ChunkSource {
public:
    virtual ~ChunkSource() = default;
    // Reads `count` bytes at `offset` of each of `files` into `buffers[k]` for the k-th,
    // which has room for one byte more: a read that reaches the end asks for it, so that
    // a file grown since the listing never passes. Returns, for each, whether it was
    // read whole; a file that was not has failed for good.
    virtual std::vector<bool> read(const std::vector<std::size_t>& files, std::int64_t offset,
                                   std::size_t count, const std::vector<char*>& buffers) = 0;
    // Nothing more will be read of the file; `paired`: it was read whole, equal to another.
    virtual void release(std::size_t file, bool paired) = 0;
};

// Splits `fileCount` files of `size` bytes into classes of identical content, exactly:
// every undecided file's next chunk is read in turn (the head, the last block, then the
// middle in growing chunks), each group is split by chunk bytes, and a file leaves as
// soon as it is alone. Each byte is read once, or twice in groups too large for the
// buffer. `classes[f]` for each file: files of equal classes read whole with equal bytes.
void classifyFiles(ChunkSource& source, std::size_t fileCount, std::int64_t size,
                   std::vector<std::uint32_t>& classes);
// The same within `bufferBytes` of chunk buffers.
void classifyFilesWithin(std::size_t bufferBytes, ChunkSource& source, std::size_t fileCount,
                         std::int64_t size, std::vector<std::uint32_t>& classes);
