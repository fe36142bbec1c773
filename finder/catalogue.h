#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "finder/chunked_array.h"
#include "finder/name_store.h"
#include "platform/file_system.h"

// The catalogued files in ascending order of size. Files arrive in walk order with
// the size read when they were found; arrange() then puts each where inserting it
// into the array at its arrival, by bisection over the sizes, would have put it.
// A file costs 20 bytes and its name, and 8 more while arranging: its path is its
// directory's, kept once, and its name; the volume and upper part of its identity are
// kept once for all the files that share them.
class Catalogue {
public:
    static constexpr std::uint32_t kNoDirectory = UINT32_MAX;
    // Where the walk found a file: which entry of which listed directory.
    struct Origin {
        std::uint32_t directory;  // see addDirectory
        bool isLink;              // the entry itself is a link
    };
    // What the catalogue tells of a file.
    struct Entry {
        std::int64_t size;
        platform::FileIdentity identity;  // unknown where the listing gave none
        Origin origin;
    };

    // Each listed directory once per listing, below `parent` (kNoDirectory for a
    // source, whose `name` is then the source as given); returns the index that
    // origins and subdirectories name it by. Past 2^31 - 1 directories, or 2^32 - 1
    // files, both throw std::bad_alloc, as running out of memory does.
    std::uint32_t addDirectory(const platform::FileIdentity& identity, std::uint32_t parent,
                               std::string_view name);
    const platform::FileIdentity& directory(std::uint32_t index) const {
        return m_directories[index].identity;
    }

    void add(std::string_view name, const platform::FileStatus& status, Origin origin);
    void arrange();

    bool empty() const { return m_sizes.size() == 0; }
    std::size_t size() const { return m_sizes.size(); }
    // In size order, once arranged.
    Entry operator[](std::size_t position) const;
    // The last component of its path.
    const char* name(std::size_t position) const { return m_names[m_order[position]]; }
    // The file's path as the walk built it: its directory's path, a separator, its name.
    std::string path(std::size_t position) const;
    // Once arranged: the end of the band of files of one size that starts at `begin`.
    std::size_t bandEnd(std::size_t begin) const;
    // Whether the files of the band [begin, end) are ever compared: more than one, and
    // not empty (only the first file of the catalogue may be empty or unreadable).
    bool isComparableBand(std::size_t begin, std::size_t end) const {
        return end - begin > 1 && sizeAt(begin) > 0;
    }

private:
    static constexpr std::uint32_t kLinkBit = 0x80000000u;
    // A size that does not fit in 32 bits (4 GiB and more, or none read) is kept aside.
    static constexpr std::uint32_t kSizeAside = UINT32_MAX;
    struct Directory {
        platform::FileIdentity identity;
        std::uint32_t parent;
    };
    // What files of one volume mostly share: the volume and the upper 96 bits of the
    // index, numbered as met; 0 stands for an unknown identity.
    struct Upper {
        std::uint64_t volume;
        std::uint64_t indexHigh;
        std::uint32_t indexTop;  // bits 32-63 of the index
        friend bool operator==(const Upper&, const Upper&) = default;
    };
    struct UpperHash {
        std::size_t operator()(const Upper& upper) const {
            return static_cast<std::size_t>((upper.volume * 0x9E3779B97F4A7C15ull) ^
                                            upper.indexHigh ^
                                            (std::uint64_t{upper.indexTop} << 29));
        }
    };
    std::uint32_t upperOf(const platform::FileIdentity& identity);
    // Sets m_order to where inserting each file at its arrival would have put it.
    void placeFiles();
    // `at`: in walk order until arranged, a position after.
    std::int64_t sizeAt(std::size_t at) const {
        return m_sizes[at] != kSizeAside ? m_sizes[at] : m_sizesAside.at(at);
    }

    std::vector<Directory> m_directories;
    NameStore m_directoryNames;
    // In walk order, and in size order once arranged: each file's size, lower 32 bits
    // of its identity's index, upper part, and directory with kLinkBit where the entry
    // is a link. Its name, in walk order.
    ChunkedArray<std::uint32_t> m_sizes;
    std::unordered_map<std::size_t, std::int64_t> m_sizesAside;
    ChunkedArray<std::uint32_t> m_indexes;
    ChunkedArray<std::uint32_t> m_uppers;
    ChunkedArray<std::uint32_t> m_origins;
    NameStore m_names;
    std::vector<std::uint32_t> m_order;  // walk-order index of each position
    std::vector<Upper> m_upperParts{{0, 0, 0}};
    std::unordered_map<Upper, std::uint32_t, UpperHash> m_upperIndexes;
    std::uint32_t m_lastUpper = 0;
};

// Index at which a new file lands in the window [lo, hi) of a size-ordered array in
// which `below` entries are smaller than it and `notAbove` entries are not larger:
// the window is halved while wider than 5, then scanned for the first larger entry.
std::int64_t insertBySize(std::int64_t lo, std::int64_t hi, std::int64_t below,
                          std::int64_t notAbove);
