#include "finder/catalogue.h"

#include <algorithm>

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

}  // namespace

std::uint32_t Catalogue::addDirectory(const platform::FileIdentity& identity) {
    m_directories.push_back(identity);
    return static_cast<std::uint32_t>(m_directories.size() - 1);
}

void Catalogue::add(std::string_view path, const platform::FileStatus& status, Origin origin) {
    m_entries.push_back({m_paths.add(path), status.size, status.identity, status.stamps, origin});
}

std::size_t Catalogue::bandEnd(std::size_t begin) const {
    std::size_t end = begin + 1;
    while (end < size() && (*this)[end].size == (*this)[begin].size) ++end;
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
    const std::size_t count = m_entries.size();
    if (count < 2) {
        m_order.assign(count, 0);
        return;
    }

    // Sizes are known only now: rank them to count smaller and equal entries so far.
    std::vector<std::int64_t> sizes;
    sizes.reserve(count);
    for (const Entry& entry : m_entries) sizes.push_back(entry.size);
    std::sort(sizes.begin(), sizes.end());
    sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());

    // Where each file was inserted, in the array as it stood at its arrival.
    std::vector<std::int64_t> insertedAt(count, 0);
    {
        FenwickTree bySize(sizes.size());
        for (std::size_t i = 0; i < count; ++i) {
            const auto rank = static_cast<std::size_t>(
                std::lower_bound(sizes.begin(), sizes.end(), m_entries[i].size) - sizes.begin());
            if (i > 0) {
                insertedAt[i] = insertBySize(0, static_cast<std::int64_t>(i), bySize.prefix(rank),
                                             bySize.prefix(rank + 1));
            }
            bySize.add(rank, 1);
        }
    }

    // Later insertions shift earlier ones: placing files from the last to the first,
    // each takes the free slot whose rank is its insertion index.
    m_order.assign(count, 0);
    FenwickTree freeSlots = FenwickTree::allOnes(count);
    for (std::size_t i = count; i-- > 0;) {
        const std::size_t slot = freeSlots.findRank(insertedAt[i]);
        m_order[slot] = i;
        freeSlots.add(slot, -1);
    }
}
