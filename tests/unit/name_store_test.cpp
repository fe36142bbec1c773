#include "finder/name_store.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Enough names to fill several blocks, groups cut by a block's end, lengths that fit
// a byte and longer ones, and one longer than a block.
TEST(NameStoreTest, GivesBackEveryNameAcrossBlocks) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < 30000; ++i) {
        names.push_back(std::to_string(i) + std::string(i % 301, static_cast<char>('a' + i % 26)));
    }
    names.insert(names.begin() + 12345, std::string(3 << 20, 'z'));
    names.emplace_back();
    NameStore store;
    for (const std::string& name : names) store.add(name);
    ASSERT_EQ(store.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        ASSERT_EQ(store.length(i), names[i].size()) << i;
        ASSERT_EQ(std::string(store[i]), names[i]) << i;
    }
}

}  // namespace
