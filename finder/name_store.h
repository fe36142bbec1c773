#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "finder/chunked_array.h"

// Many names, NUL-terminated, in large blocks, numbered in the order they came: a name
// costs a byte and a half beyond its own, where a pointer to it would cost eight. The
// k-th name is found from where its group of 16 starts and the lengths before it.
class NameStore {
public:
    void add(std::string_view name);
    const char* operator[](std::size_t index) const;
    std::size_t length(std::size_t index) const {
        return m_lengths[index] != kLong ? m_lengths[index] : m_long.at(index);
    }
    std::size_t size() const { return m_lengths.size(); }

private:
    static constexpr std::size_t kBlockSize = 1 << 20;
    static constexpr std::size_t kGroup = 16;
    // A length that does not fit in a byte is kept aside.
    static constexpr std::uint8_t kLong = 255;

    std::vector<std::unique_ptr<char[]>> m_blocks;
    char* m_free = nullptr;
    std::size_t m_left = 0;
    ChunkedArray<const char*> m_groups;  // a group lies in one block
    ChunkedArray<std::uint8_t> m_lengths;
    std::unordered_map<std::size_t, std::size_t> m_long;
};
