#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

// Keeps many paths as NUL-terminated strings in large blocks: one allocation per
// block instead of one per path, and the pointers handed out never move.
class PathStore {
public:
    const char* add(std::string_view path);

private:
    static constexpr std::size_t kBlockSize = 1 << 20;
    std::vector<std::unique_ptr<char[]>> m_blocks;
    char* m_free = nullptr;
    std::size_t m_left = 0;
};
