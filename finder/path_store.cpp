#include "finder/path_store.h"

#include <cstring>

const char* PathStore::add(std::string_view path) {
    const std::size_t needed = path.size() + 1;
    if (needed > m_left) {
        const std::size_t size = needed > kBlockSize ? needed : kBlockSize;
        m_blocks.push_back(std::make_unique_for_overwrite<char[]>(size));
        m_free = m_blocks.back().get();
        m_left = size;
    }
    char* stored = m_free;
    std::memcpy(stored, path.data(), path.size());
    stored[path.size()] = '\0';
    m_free += needed;
    m_left -= needed;
    return stored;
}
