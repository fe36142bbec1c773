#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/file_system.h"

// A band of catalogued files of one size that may pair, as the comparison takes it up.
struct Band {
    std::size_t begin = 0;  // catalogue positions [begin, end)
    std::size_t end = 0;
    std::int64_t size = 0;
    // Its distinct files, numbered from 0: file f has the names (positions, in listing
    // order) from names[firstName[f]] up to names[firstName[f + 1]].
    std::vector<std::size_t> names;
    std::vector<std::size_t> firstName{0};

    std::size_t fileCount() const { return firstName.size() - 1; }
    std::span<const std::size_t> namesOf(std::size_t file) const {
        return {names.data() + firstName[file], firstName[file + 1] - firstName[file]};
    }
};

// What the comparison found of one name of a band.
struct BandName {
    // False when the name could not be opened, or no longer led to the file listed.
    bool opened = true;
    // Names of equal classes have equal bytes.
    std::uint32_t contentClass = 0;
    // What the system told of the name's file when it was opened or looked at (what the
    // listing told where neither was needed): its identity, how many names it has (0
    // where that was not told), and a key for the entry the name reached, links
    // followed (0 where that was not told; see FileSystem::statusAt).
    platform::FileIdentity identity;
    std::uint32_t links = 0;
    std::uint64_t entry = 0;
};
