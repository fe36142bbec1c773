#pragma once

#include <memory>
#include <vector>

#include "finder/band.h"
#include "finder/catalogue.h"
#include "finder/kept_directories.h"
#include "platform/file_system.h"

// Tells which names of each band of the catalogue have equal bytes: the comparison
// proper, or a plainer way that tests check it against.
class BandJudge {
public:
    virtual ~BandJudge() = default;
    // The next band in catalogue order with more than one name and a size above 0;
    // null after the last.
    virtual const Band* nextBand() = 0;
    // What each name of that band came to, `names[k]` for position begin + k. With
    // `everyName` every name is looked at; otherwise only those that may pair, and the
    // others count as opened.
    virtual void judge(bool everyName, std::vector<BandName>& names) = 0;
    // Whether some file could not be opened for want of handles, even with every other
    // file closed: the answer may miss pairs.
    virtual bool incomplete() const = 0;
};

// Made once the catalogue is arranged, for the comparison of its bands; the files of
// kept directories may be opened by name in them.
using BandJudgeMaker = std::unique_ptr<BandJudge> (*)(platform::FileSystem& fileSystem,
                                                      const Catalogue& files,
                                                      KeptDirectories& directories);

// Reads each file of a band once, as far as telling it apart needs.
std::unique_ptr<BandJudge> makeContentComparison(platform::FileSystem& fileSystem,
                                                 const Catalogue& files,
                                                 KeptDirectories& directories);
