#include "finder/name_store.h"

#include <algorithm>
#include <cstring>

void NameStore::add(std::string_view name) {
    const std::size_t index = size();
    const bool startsGroup = index % kGroup == 0;
    if (name.size() + 1 > m_left) {
        // The names of the group begun so far move along to the new block.
        const char* group = startsGroup ? m_free : m_groups[m_groups.size() - 1];
        const auto begun = static_cast<std::size_t>(m_free - group);
        const std::size_t block = std::max(begun + name.size() + 1, kBlockSize);
        m_blocks.push_back(std::make_unique_for_overwrite<char[]>(block));
        char* start = m_blocks.back().get();
        if (begun > 0) std::memcpy(start, group, begun);
        if (!startsGroup) m_groups[m_groups.size() - 1] = start;
        m_free = start + begun;
        m_left = block - begun;
    }
    if (startsGroup) m_groups.push_back(m_free);
    std::memcpy(m_free, name.data(), name.size());
    m_free[name.size()] = '\0';
    m_free += name.size() + 1;
    m_left -= name.size() + 1;
    if (name.size() >= kLong) {
        m_lengths.push_back(kLong);
        m_long.emplace(index, name.size());
    } else {
        m_lengths.push_back(static_cast<std::uint8_t>(name.size()));
    }
}

const char* NameStore::operator[](std::size_t index) const {
    const char* name = m_groups[index / kGroup];
    for (std::size_t k = index - index % kGroup; k < index; ++k) name += length(k) + 1;
    return name;
}
