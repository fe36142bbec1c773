// What a listed entry is, from its Windows attribute bits: nothing whose content
// lies elsewhere is ever a file to open.
#include "platform/entry_attributes.h"

#include <gtest/gtest.h>

namespace {

using platform::EntryKind;

TEST(EntryAttributesTest, KindsFollowTheBitsAndPlaceholdersAreNoFiles) {
    struct Case {
        std::uint32_t attributes;
        EntryKind kind;
    };
    const Case cases[] = {
        {0x0, EntryKind::file},
        {0x20, EntryKind::file},                            // archive
        {0x80, EntryKind::file},                            // normal
        {0x1 | 0x2 | 0x4 | 0x20 | 0x400, EntryKind::file},  // read-only, hidden, system, link
        {0x80000 | 0x20, EntryKind::file},                  // pinned: kept on this machine
        {0x100000 | 0x20, EntryKind::file},                 // unpinned, still here
        {0x1000, EntryKind::placeholder},                   // offline
        {0x1000 | 0x20, EntryKind::placeholder},
        {0x40000, EntryKind::placeholder},                             // recall on open
        {0x400000, EntryKind::placeholder},                            // recall on data access
        {0x400000 | 0x100000 | 0x20 | 0x400, EntryKind::placeholder},  // a cloud file, online only
        {0x10, EntryKind::directory},
        {0x10 | 0x400, EntryKind::directory},  // a junction
        {0x10 | 0x400000 | 0x40000, EntryKind::directory},
        {0xFFFFFFFF, EntryKind::unreadable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attributes);
        EXPECT_EQ(platform::entryKindOf(c.attributes), c.kind);
    }
    EXPECT_EQ(platform::kAttributeOffline | platform::kAttributeRecallOnOpen |
                  platform::kAttributeRecallOnDataAccess | platform::kAttributeDirectory,
              0x441010u);
}

}  // namespace
