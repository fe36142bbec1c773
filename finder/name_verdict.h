#pragma once

#include <cstdint>
#include <vector>

#include "finder/band.h"
#include "finder/band_files.h"
#include "finder/catalogue.h"
#include "platform/file_system.h"

// The verdict on each name of a band once its distinct files are classified: a name
// that no longer led to the file listed is gone; a file that failed, or whose stamps
// moved since it was first opened (or first looked at, where it never was), is
// identical to nothing, not even to its own other names. A name whose open answered
// for it is not looked up again; the others are looked at by name where they may pair
// (every one with `everyName`), which also tells how many names their file has and,
// where the system says, which entry each reached.
void judgeNames(platform::FileSystem& fileSystem, const Catalogue& files, BandState& band,
                const std::vector<std::uint32_t>& classes, bool everyName,
                std::vector<BandName>& names);
