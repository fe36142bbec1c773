#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A set of 64-bit keys in one flat table: a few bytes per key, one probe mostly.
class KeySet {
public:
    // True when the key was not in the set yet.
    bool insert(std::uint64_t key);
    bool contains(std::uint64_t key) const;
    // Starts fetching the key's place from memory: misses of keys looked up soon after
    // one another then overlap.
    void prefetch(std::uint64_t key) const;
    // Gives the memory back.
    void clear();

private:
    static std::uint64_t stored(std::uint64_t key) { return key != 0 ? key : 1; }
    std::size_t slotOf(std::uint64_t key) const;
    void grow();

    std::vector<std::uint64_t> m_slots;  // 0: free
    std::size_t m_count = 0;
};
