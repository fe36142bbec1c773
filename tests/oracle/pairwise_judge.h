// The plain way to judge a band: every name opened and read whole by itself, with plain
// reads, and compared byte for byte with every name before it. Slow but plain, and
// sharing nothing with the reader it checks, it is what the comparison is checked
// against.
#pragma once

#include <memory>

#include "finder/band_judge.h"

std::unique_ptr<BandJudge> makePairwiseJudge(platform::FileSystem& fileSystem,
                                             const Catalogue& files, KeptDirectories& directories);
