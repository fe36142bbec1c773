#include "finder/key_set.h"

namespace {

// Spreads keys whose low bits agree, as sizes do.
std::uint64_t spread(std::uint64_t key) {
    key ^= key >> 31;
    key *= 0x9E3779B97F4A7C15ull;
    return key ^ (key >> 29);
}

}  // namespace

std::size_t KeySet::slotOf(std::uint64_t key) const {
    const std::size_t mask = m_slots.size() - 1;
    std::size_t slot = static_cast<std::size_t>(spread(key)) & mask;
    while (m_slots[slot] != 0 && m_slots[slot] != key) slot = (slot + 1) & mask;
    return slot;
}

bool KeySet::insert(std::uint64_t key) {
    key = stored(key);
    // Three quarters full at most, so that probes stay short.
    if (4 * (m_count + 1) > 3 * m_slots.size()) grow();
    const std::size_t slot = slotOf(key);
    if (m_slots[slot] == key) return false;
    m_slots[slot] = key;
    ++m_count;
    return true;
}

bool KeySet::contains(std::uint64_t key) const {
    return !m_slots.empty() && m_slots[slotOf(stored(key))] != 0;
}

void KeySet::prefetch(std::uint64_t key) const {
    if (!m_slots.empty()) {
        __builtin_prefetch(
            &m_slots[static_cast<std::size_t>(spread(stored(key))) & (m_slots.size() - 1)]);
    }
}

void KeySet::clear() {
    std::vector<std::uint64_t>().swap(m_slots);
    m_count = 0;
}

void KeySet::grow() {
    std::vector<std::uint64_t> old = std::move(m_slots);
    m_slots.assign(old.empty() ? 1024 : 2 * old.size(), 0);
    for (const std::uint64_t key : old) {
        if (key != 0) m_slots[slotOf(key)] = key;
    }
}
