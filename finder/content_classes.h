#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "finder/band_reader.h"

// Splits the distinct files of a band into classes of identical content, exactly:
// files whose heads' digests differ leave at once; then every undecided file's next
// chunk is read in turn (the head, the last block, then the middle in growing chunks),
// the group is split by chunk bytes, and a file leaves as soon as it is alone. Each
// byte is read once, or twice in groups too large for the buffer. `classes[f]` for
// each file of the band: files of equal classes read whole with equal bytes.
void classifyBand(BandReader& reader, const Band& band, std::vector<std::uint32_t>& classes);
// The same within `bufferBytes` of chunk buffers.
void classifyBandWithin(std::size_t bufferBytes, BandReader& reader, const Band& band,
                        std::vector<std::uint32_t>& classes);

// How the comparison splits a band's files into classes: classifyBand, or a plainer way
// that tests hand the finder to check it against.
using BandClassifier = void (*)(BandReader& reader, const Band& band,
                                std::vector<std::uint32_t>& classes);
