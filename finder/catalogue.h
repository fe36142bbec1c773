#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "finder/path_store.h"
#include "platform/file_system.h"

// The catalogued files in ascending order of size. Files arrive in walk order with
// the size read when they were found; arrange() then puts each where inserting it
// into the array at its arrival, by bisection over the sizes, would have put it.
class Catalogue {
public:
    // Where the walk found a file: which entry of which listed directory.
    struct Origin {
        std::uint32_t directory;  // see addDirectory
        bool isLink;              // the entry itself is a link
    };
    struct Entry {
        const char* path;
        std::int64_t size;
        platform::FileIdentity identity;  // unknown where the listing gave none
        platform::FileStamps stamps;
        Origin origin;
    };

    // Each listed directory once per listing; returns the index that origins name it by.
    std::uint32_t addDirectory(const platform::FileIdentity& identity);
    const platform::FileIdentity& directory(std::uint32_t index) const {
        return m_directories[index];
    }

    void add(std::string_view path, const platform::FileStatus& status, Origin origin = {});
    void arrange();

    bool empty() const { return m_entries.empty(); }
    std::size_t size() const { return m_entries.size(); }
    // In size order, once arranged.
    const Entry& operator[](std::size_t index) const { return m_entries[m_order[index]]; }
    // Once arranged: the end of the band of files of one size that starts at `begin`.
    std::size_t bandEnd(std::size_t begin) const;
    // Whether the files of the band [begin, end) are ever compared: more than one, and
    // not empty (only the first file of the catalogue may be empty or unreadable).
    bool isComparableBand(std::size_t begin, std::size_t end) const {
        return end - begin > 1 && (*this)[begin].size > 0;
    }

private:
    PathStore m_paths;
    std::vector<Entry> m_entries;      // in walk order
    std::vector<std::size_t> m_order;  // walk-order index of each position
    std::vector<platform::FileIdentity> m_directories;
};

// Index at which a new file lands in the window [lo, hi) of a size-ordered array in
// which `below` entries are smaller than it and `notAbove` entries are not larger:
// the window is halved while wider than 5, then scanned for the first larger entry.
std::int64_t insertBySize(std::int64_t lo, std::int64_t hi, std::int64_t below,
                          std::int64_t notAbove);
