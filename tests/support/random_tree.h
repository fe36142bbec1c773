// Random trees for running twinscout and the reference build side by side. A
// seed always gives the same tree and command line on one platform: directories
// whose names play with the filters, files with colliding sizes, copies and
// near-copies, empty files, files that can't be opened, static debug.log files,
// links where the platform has them, and sources that overlap.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "temp_dir.h"
#include "unopenable_file.h"

namespace twinscout::e2e {

struct RandomTree {
    std::vector<std::string> args;  // the command line, run from the TempDir
    bool traced = false;            // whether args hold /d
    // Held for as long as the tree is in use: on some platforms they stay
    // unopenable only while held.
    std::vector<std::unique_ptr<UnopenableFile>> unopenable;
    std::string description;  // every directory, file and link made, for failure messages
};

RandomTree makeRandomTree(const TempDir& dir, std::uint32_t seed);

}  // namespace twinscout::e2e
