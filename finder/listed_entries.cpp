#include "finder/listed_entries.h"

#include <cstring>

void ListedEntries::add(const Entry& entry) {
    m_names += entry.name;
    m_names += '\0';
    m_flags.push_back(
        static_cast<std::uint8_t>((entry.walked ? kWalked : 0) | (entry.taken ? kTaken : 0) |
                                  (entry.readable ? kReadable : 0) | (entry.isLink ? kLink : 0)));
    if (entry.readable) m_found.push_back({entry.status.size, entry.status.identity});
}

ListedEntries::Entry ListedEntries::next() {
    Entry entry;
    const char* name = m_names.data() + m_nameAt;
    entry.name = std::string_view(name, std::strlen(name));
    m_nameAt += entry.name.size() + 1;
    const std::uint8_t flags = m_flags.front();
    m_flags.pop_front();
    entry.walked = (flags & kWalked) != 0;
    entry.taken = (flags & kTaken) != 0;
    entry.readable = (flags & kReadable) != 0;
    entry.isLink = (flags & kLink) != 0;
    if (entry.readable) {
        entry.status.size = m_found.front().size;
        entry.status.identity = m_found.front().identity;
        m_found.pop_front();
    }
    return entry;
}
