#pragma once

#include <cstddef>
#include <memory>
#include <vector>

// A growing array in blocks that never move: growing copies nothing and takes at most
// one block more than what is stored, where a vector would for a moment hold its old
// and its new array, twice as large.
template <typename T>
class ChunkedArray {
public:
    void push_back(const T& value) {
        if (m_size % kBlock == 0) m_blocks.push_back(std::make_unique_for_overwrite<T[]>(kBlock));
        m_blocks.back()[m_size % kBlock] = value;
        ++m_size;
    }
    T& operator[](std::size_t index) { return m_blocks[index / kBlock][index % kBlock]; }
    const T& operator[](std::size_t index) const {
        return m_blocks[index / kBlock][index % kBlock];
    }
    std::size_t size() const { return m_size; }

private:
    static constexpr std::size_t kBlock = 65536;
    std::vector<std::unique_ptr<T[]>> m_blocks;
    std::size_t m_size = 0;
};
