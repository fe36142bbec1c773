#include "finder/catalogue.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <numeric>

#include "platform/system.h"

namespace {

// Counts over positions 0..n-1 with prefix sums and search by rank in O(log n).
class FenwickTree {
public:
    explicit FenwickTree(std::size_t size) : m_tree(size + 1, 0) {}

    // Every position holding one unit, built in linear time.
    static FenwickTree allOnes(std::size_t size) {
        FenwickTree tree(size);
        for (std::size_t i = 1; i <= size; ++i) {
            tree.m_tree[i] = static_cast<std::int32_t>(i & (~i + 1));
        }
        return tree;
    }

    void add(std::size_t position, std::int32_t delta) {
        for (std::size_t i = position + 1; i < m_tree.size(); i += i & (~i + 1)) m_tree[i] += delta;
    }

    // Sum over positions [0, end).
    std::int64_t prefix(std::size_t end) const {
        std::int64_t sum = 0;
        for (std::size_t i = end; i > 0; i -= i & (~i + 1)) sum += m_tree[i];
        return sum;
    }

    // The position holding the rank-th unit (0-based); counts must be 0 or 1.
    std::size_t findRank(std::int64_t rank) const {
        std::size_t position = 0;
        std::size_t step = 1;
        while (step * 2 < m_tree.size()) step *= 2;
        for (; step > 0; step /= 2) {
            if (position + step < m_tree.size() && m_tree[position + step] <= rank) {
                position += step;
                rank -= m_tree[position];
            }
        }
        return position;
    }

private:
    std::vector<std::int32_t> m_tree;
};

// The array laid out in the order given.
template <typename T>
ChunkedArray<T> gathered(const ChunkedArray<T>& array, const std::vector<std::uint32_t>& order) {
    ChunkedArray<T> result;
    for (const std::uint32_t k : order) result.push_back(array[k]);
    return result;
}

}  // namespace

std::uint32_t Catalogue::addDirectory(const platform::FileIdentity& identity, std::uint32_t parent,
                                      std::string_view name) {
    // Numbers of 31 bits, the top bit of an origin telling a link: past them the
    // catalogue is full, as memory would be.
    if (m_directories.size() >= kLinkBit - 1) throw std::bad_alloc();
    m_directories.push_back({identity, parent});
    m_directoryNames.add(name);
    return static_cast<std::uint32_t>(m_directories.size() - 1);
}

// Files of one directory mostly share theirs: the last one is looked at first.
std::uint32_t Catalogue::upperOf(const platform::FileIdentity& identity) {
    if (!identity.known()) return 0;
    const Upper upper{identity.volume, identity.indexHigh,
                      static_cast<std::uint32_t>(identity.index >> 32)};
    if (m_lastUpper != 0 && m_upperParts[m_lastUpper] == upper) return m_lastUpper;
    const auto [found, added] =
        m_upperIndexes.emplace(upper, static_cast<std::uint32_t>(m_upperParts.size()));
    if (added) m_upperParts.push_back(upper);
    m_lastUpper = found->second;
    return m_lastUpper;
}

void Catalogue::add(std::string_view name, const platform::FileStatus& status, Origin origin) {
    if (size() >= UINT32_MAX) throw std::bad_alloc();  // positions are of 32 bits
    if (status.size >= 0 && status.size < kSizeAside) {
        m_sizes.push_back(static_cast<std::uint32_t>(status.size));
    } else {
        m_sizesAside.emplace(m_sizes.size(), status.size);
        m_sizes.push_back(kSizeAside);
    }
    m_indexes.push_back(static_cast<std::uint32_t>(status.identity.index));
    m_uppers.push_back(upperOf(status.identity));
    m_origins.push_back(origin.directory | (origin.isLink ? kLinkBit : 0));
    m_names.add(name);
}

Catalogue::Entry Catalogue::operator[](std::size_t position) const {
    const std::size_t k = position;
    Entry entry{sizeAt(k), {}, {m_origins[k] & ~kLinkBit, (m_origins[k] & kLinkBit) != 0}};
    if (m_uppers[k] != 0) {
        const Upper& upper = m_upperParts[m_uppers[k]];
        entry.identity = {upper.volume, std::uint64_t{upper.indexTop} << 32 | m_indexes[k],
                          upper.indexHigh};
    }
    return entry;
}

// Up to the source twice, to size the path and then to fill it from its end: the
// depth of a tree costs no stack and the path one allocation.
std::string Catalogue::path(std::size_t position) const {
    const std::size_t k = m_order[position];
    const std::uint32_t directory = m_origins[position] & ~kLinkBit;
    std::size_t length = m_names.length(k);
    for (std::uint32_t at = directory; at != kNoDirectory; at = m_directories[at].parent) {
        length += m_directoryNames.length(at) + 1;
    }
    std::string path(length, platform::kSeparator);
    const auto put = [&path, &length](const char* name, std::size_t size) {
        length -= size;
        std::memcpy(path.data() + length, name, size);
        if (length > 0) --length;  // past the separator already there
    };
    put(m_names[k], m_names.length(k));
    for (std::uint32_t at = directory; at != kNoDirectory; at = m_directories[at].parent) {
        put(m_directoryNames[at], m_directoryNames.length(at));
    }
    return path;
}

std::size_t Catalogue::bandEnd(std::size_t begin) const {
    std::size_t end = begin + 1;
    while (end < size() && sizeAt(end) == sizeAt(begin)) ++end;
    return end;
}

std::int64_t insertBySize(std::int64_t lo, std::int64_t hi, std::int64_t below,
                          std::int64_t notAbove) {
    for (;;) {
        const std::int64_t span = hi - lo;
        const std::int64_t half = static_cast<std::int64_t>(static_cast<std::uint64_t>(span) >> 1);
        const std::int64_t mid = lo + half;
        if (span <= 5) {
            const std::int64_t firstLarger = std::max(lo, notAbove);
            return firstLarger < hi ? firstLarger : hi;
        }
        if (mid < below) {
            lo = mid;  // the middle entry is smaller
        } else {
            hi -= half;
        }
    }
}

void Catalogue::arrange() {
    placeFiles();
    // What is read of a file from now on is read in size order: lay it out so, one
    // array at a time beside its new layout.
    m_sizes = gathered(m_sizes, m_order);
    std::unordered_map<std::size_t, std::int64_t> aside;
    for (std::size_t position = 0; position < size(); ++position) {
        if (m_sizes[position] == kSizeAside) {
            aside.emplace(position, m_sizesAside.at(m_order[position]));
        }
    }
    m_sizesAside = std::move(aside);
    m_indexes = gathered(m_indexes, m_order);
    m_uppers = gathered(m_uppers, m_order);
    m_origins = gathered(m_origins, m_order);
}

// The sizes' ranks, each file's insertion index and the free slots take eight bytes a
// file for the time it runs; the order then keeps four.
void Catalogue::placeFiles() {
    const std::size_t count = size();
    m_order.resize(count);
    std::iota(m_order.begin(), m_order.end(), std::uint32_t{0});
    if (count < 2) return;

    // Sizes are known only now: rank them, the order serving to sort the files by size.
    std::sort(m_order.begin(), m_order.end(),
              [this](std::uint32_t a, std::uint32_t b) { return sizeAt(a) < sizeAt(b); });
    std::vector<std::uint32_t> insertedAt(count);  // each file's rank first
    std::uint32_t ranks = 0;
    for (std::size_t k = 0; k < count; ++k) {
        if (k > 0 && sizeAt(m_order[k]) != sizeAt(m_order[k - 1])) ++ranks;
        insertedAt[m_order[k]] = ranks;
    }

    // Where each file was inserted, in the array as it stood at its arrival.
    {
        FenwickTree bySize(ranks + 1);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint32_t rank = insertedAt[i];
            insertedAt[i] = i == 0 ? 0
                                   : static_cast<std::uint32_t>(insertBySize(
                                         0, static_cast<std::int64_t>(i), bySize.prefix(rank),
                                         bySize.prefix(rank + 1)));
            bySize.add(rank, 1);
        }
    }

    // Later insertions shift earlier ones: placing files from the last to the first,
    // each takes the free slot whose rank is its insertion index.
    FenwickTree freeSlots = FenwickTree::allOnes(count);
    for (std::size_t i = count; i-- > 0;) {
        const std::size_t slot = freeSlots.findRank(insertedAt[i]);
        m_order[slot] = static_cast<std::uint32_t>(i);
        freeSlots.add(slot, -1);
    }
}
