#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "platform/file_system.h"

// A directory's entries, all read when the walk enters it and taken up in their order
// as it goes on: each name, what the walk does with it, and the size and identity of
// each file it may catalogue. A directory of a million files costs some 35 bytes a file
// beside its names, where the entries as the listing gives them cost 160.
class ListedEntries {
public:
    struct Entry {
        std::string_view name;
        bool walked = false;    // a directory, or an entry whose kind can't be read
        bool taken = false;     // any other entry that passes the extension filter
        bool readable = false;  // a taken file that may be opened for reading
        bool isLink = false;
        platform::FileStatus status;  // of a readable file: its size and identity only
    };

    void add(const Entry& entry);
    bool done() const { return m_flags.empty(); }
    // The next entry, which stays valid until the next call.
    Entry next();

private:
    enum Flag : std::uint8_t { kWalked = 1, kTaken = 2, kReadable = 4, kLink = 8 };
    struct Found {
        std::int64_t size;
        platform::FileIdentity identity;
    };

    std::string m_names;  // each followed by a NUL, which no name holds
    std::size_t m_nameAt = 0;
    std::deque<std::uint8_t> m_flags;
    std::deque<Found> m_found;  // of the readable files
};
