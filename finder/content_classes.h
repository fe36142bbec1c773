#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/file_system.h"

class ReadAhead;

// One file of a run of files of equal size.
struct RunMember {
    const char* path = nullptr;
    platform::FileStatus listed;  // as the listing found it
    // False when the name no longer leads to the regular file of the identity and size
    // listed; a file that need not be read or checked counts as opened, as the
    // listing opened it.
    bool opened = true;
    // Members with equal classes have equal bytes; a file that could not be read
    // whole has a class of its own.
    std::uint32_t contentClass = 0;
};

struct ClassifierLimits {
    std::size_t bufferBytes = 16u << 20;
    std::size_t openFiles = 1024;
};

// Splits files of one size into classes of identical content, exactly: every
// undecided file's next chunk is read in turn (the head, the last block, then the
// middle in growing chunks), the group is split by chunk bytes, and a file leaves as
// soon as it is alone. Each byte is read once, or twice in groups too large for the
// buffer; files of one identity are read once for all.
// A file that changed while it was read has a class of its own. With
// `checkEveryName`, every name that was not read is still opened once, so that
// `opened` is known for each member, not only for those that could pair. With
// `ahead`, the run is the one it has entered, and reads go through it.
void classifyRun(platform::FileSystem& fileSystem, std::int64_t size,
                 std::vector<RunMember>& members, const ClassifierLimits& limits,
                 bool checkEveryName = false, ReadAhead* ahead = nullptr);

// How the comparison splits the files of one size into classes: classifyRun, or a
// plainer way that tests hand the finder to check it against.
using RunClassifier = void (*)(platform::FileSystem& fileSystem, std::int64_t size,
                               std::vector<RunMember>& members, const ClassifierLimits& limits,
                               bool checkEveryName, ReadAhead* ahead);
