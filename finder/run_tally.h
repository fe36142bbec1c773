#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "finder/band.h"

// What a run found, and what it could not read, for the summary a user reads at its end.
struct RunTally {
    std::uint64_t groups = 0;       // of identical files
    std::uint64_t copies = 0;       // names beyond the first of each group
    std::uint64_t bytesFreed = 0;   // by removing the copies: a file's other names free nothing
    std::uint64_t unreadFiles = 0;  // passing the filters, but not read whole
    std::uint64_t unlistedDirectories = 0;  // below a source
    std::uint64_t pairs = 0;                // printed
};

// The groups that a band's pairs make: the first name of a pair and every later name it
// pairs with.
class BandGroups {
public:
    explicit BandGroups(std::size_t names) : m_groupOf(names, kNone) {}
    void pair(std::size_t first, std::size_t later);
    // The band's groups, their copies, and the bytes removing them frees: names of one
    // file count once.
    void addTo(RunTally& tally, std::int64_t size, const std::vector<BandName>& names) const;

private:
    static constexpr std::uint32_t kNone = UINT32_MAX;
    std::vector<std::uint32_t> m_groupOf;
    std::uint32_t m_groups = 0;
};
