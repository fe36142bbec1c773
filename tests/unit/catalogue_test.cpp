#include "finder/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/system.h"

namespace {

// The insertion as first written: bisect over sizes read from the array itself while
// the window is wider than 5, then scan it; -1 marks an entry that can't be read. Returns where the
// size went.
std::int64_t literalInsert(std::vector<std::int64_t>& array, std::int64_t size, std::int64_t lo,
                           std::int64_t hi) {
    const std::int64_t span = hi - lo;
    const std::int64_t half = static_cast<std::int64_t>(static_cast<std::uint64_t>(span) >> 1);
    const std::int64_t mid = lo + half;
    if (span > 5) {
        return size > array[mid] ? literalInsert(array, size, mid, hi)
                                 : literalInsert(array, size, lo, hi - half);
    }
    for (std::int64_t i = lo; i < hi; ++i) {
        if (array[i] != -1 && array[i] > size) {
            array.insert(array.begin() + i, size);
            return i;
        }
    }
    array.insert(array.begin() + hi, size);
    return hi;
}

// Files as found: sizes, -1 for a file that can't be opened. Returns the order the
// literal insertion gives, as indexes into `found`.
std::vector<std::size_t> literalOrder(const std::vector<std::int64_t>& found) {
    std::vector<std::int64_t> array;
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < found.size(); ++i) {
        if (order.empty()) {
            array.push_back(found[i]);
            order.push_back(i);
            continue;
        }
        if (found[i] <= 0) continue;
        const std::int64_t at =
            literalInsert(array, found[i], 0, static_cast<std::int64_t>(array.size()));
        order.insert(order.begin() + at, i);
    }
    return order;
}

std::vector<std::size_t> catalogueOrder(const std::vector<std::int64_t>& found) {
    Catalogue catalogue;
    for (std::size_t i = 0; i < found.size(); ++i) {
        if (!catalogue.empty() && found[i] <= 0) continue;
        catalogue.add(std::to_string(i), {found[i], {}, {}, 0}, {});
    }
    catalogue.arrange();
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        order.push_back(std::stoul(catalogue.name(i)));
    }
    return order;
}

TEST(CatalogueTest, SmallCasesKeepSizeOrder) {
    EXPECT_EQ(catalogueOrder({30, 10, 20}), (std::vector<std::size_t>{1, 2, 0}));
    EXPECT_EQ(catalogueOrder({0, 5, 0, 3}), (std::vector<std::size_t>{0, 3, 1}));
    EXPECT_EQ(catalogueOrder({-1, 5, -1, 3}), (std::vector<std::size_t>{0, 3, 1}));
    EXPECT_EQ(catalogueOrder({7}), (std::vector<std::size_t>{0}));
    EXPECT_TRUE(catalogueOrder({}).empty());
}

TEST(CatalogueTest, TiesLandWhereTheBisectionPutsThem) {
    // Equal sizes do not simply queue up: the bisection goes left on a tie.
    EXPECT_EQ(catalogueOrder({5, 5, 5, 5, 5, 5, 5, 5}), literalOrder({5, 5, 5, 5, 5, 5, 5, 5}));
    EXPECT_EQ(catalogueOrder({1, 2, 2, 2, 2, 2, 3, 2}), literalOrder({1, 2, 2, 2, 2, 2, 3, 2}));
}

TEST(CatalogueTest, MatchesTheLiteralInsertionOnRandomSequences) {
    std::mt19937_64 random(20261208);
    for (int round = 0; round < 400; ++round) {
        const std::size_t count = random() % 120;
        const std::int64_t distinct =
            1 + static_cast<std::int64_t>(random() % (round % 4 == 0 ? 3 : 40));
        std::vector<std::int64_t> found;
        for (std::size_t i = 0; i < count; ++i) {
            const auto roll = random() % 20;
            found.push_back(roll == 0   ? -1
                            : roll == 1 ? 0
                                        : 1 + static_cast<std::int64_t>(random() % distinct));
        }
        SCOPED_TRACE(testing::PrintToString(found));
        ASSERT_EQ(catalogueOrder(found), literalOrder(found));
    }
}

TEST(CatalogueTest, InsertBySizeScansWindowsOfFiveAndBisectsSix) {
    // Five equal entries: the scan passes them all.
    EXPECT_EQ(insertBySize(0, 5, 0, 5), 5);
    // Six equal entries: the bisection goes left first and stops short of the end.
    std::vector<std::int64_t> six(6, 4);
    EXPECT_EQ(insertBySize(0, 6, 0, 6), literalInsert(six, 4, 0, 6));
    EXPECT_EQ(insertBySize(0, 6, 0, 6), 3);
    EXPECT_EQ(insertBySize(0, 6, 6, 6), 6);
    EXPECT_EQ(insertBySize(0, 6, 0, 0), 0);
}

TEST(CatalogueTest, KeepsWhatEachFileWasAddedWith) {
    struct Case {
        std::int64_t size;
        platform::FileIdentity identity;
        bool isLink;
        std::string name;
    };
    const std::vector<Case> cases = {
        {-1, {}, false, "unreadable"},
        {1, {7, 1, 0}, false, "a"},
        {1, {7, 2, 0}, true, "b"},
        {0xFFFFFFFE, {7, 0xFFFFFFFFull, 0}, false, "c"},
        {0xFFFFFFFF, {7, 0x1'0000'0001ull, 0}, false, std::string(300, 'n')},
        {0x1'0000'0000, {7, 0xFFFF'0000'0000'0001ull, 0}, true, "d"},
        {std::int64_t{1} << 40, {8, 1, 0}, false, "e"},
        {2, {8, 1, 0xABCDull}, false, "f"},
        {2, {}, false, std::string(255, 'x')},
    };
    Catalogue catalogue;
    const std::uint32_t source =
        catalogue.addDirectory({7, 100, 0}, Catalogue::kNoDirectory, "src");
    const std::uint32_t sub = catalogue.addDirectory({7, 101, 0}, source, "sub");
    for (std::size_t i = 0; i < cases.size(); ++i) {
        catalogue.add(cases[i].name, {cases[i].size, cases[i].identity, {}, 1},
                      {i % 2 ? sub : source, cases[i].isLink});
    }
    catalogue.arrange();
    ASSERT_EQ(catalogue.size(), cases.size());
    std::vector<bool> seen(cases.size());
    for (std::size_t position = 0; position < catalogue.size(); ++position) {
        const Catalogue::Entry entry = catalogue[position];
        const std::string separator(1, platform::kSeparator);
        const auto found = std::find_if(cases.begin(), cases.end(), [&](const Case& c) {
            return c.name == catalogue.name(position);
        });
        ASSERT_NE(found, cases.end());
        const auto i = static_cast<std::size_t>(found - cases.begin());
        seen[i] = true;
        EXPECT_EQ(entry.size, found->size) << i;
        EXPECT_EQ(entry.identity, found->identity) << i;
        EXPECT_EQ(entry.origin.isLink, found->isLink) << i;
        EXPECT_EQ(entry.origin.directory, i % 2 ? sub : source) << i;
        EXPECT_EQ(catalogue.path(position),
                  (i % 2 ? "src" + separator + "sub" : "src") + separator + found->name);
        if (position > 0) {
            EXPECT_LE(catalogue[position - 1].size, entry.size);
        }
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), std::ssize(cases));
}

}  // namespace
