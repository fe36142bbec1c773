#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "finder/catalogue.h"
#include "platform/file_system.h"

// The directories the walk keeps open once listed, numbered as the catalogue numbers
// them, so that the comparison opens their files by name alone instead of walking
// their paths again. They take at most a share of the handles, and give way, for the
// rest of the run, to whatever needs a handle the system has not left.
class KeptDirectories {
public:
    explicit KeptDirectories(std::size_t most) : m_most(most) {}

    void keep(std::uint32_t directory, platform::DirectoryListing& listing);
    // Keeps only the directories of files in bands that may pair.
    void keepOnlyThoseOf(const Catalogue& files);
    // Closes every one; false when none was kept.
    bool giveWay();
    // Null where the directory is not kept.
    const platform::Directory* at(std::uint32_t directory) const {
        return directory < m_kept.size() ? m_kept[directory].get() : nullptr;
    }

private:
    std::size_t m_most;
    std::size_t m_count = 0;
    std::vector<std::unique_ptr<platform::Directory>> m_kept;
};
