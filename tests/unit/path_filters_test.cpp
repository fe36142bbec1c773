#include "finder/path_filters.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/system.h"

namespace {

// Paths written with '/' as a stand-in for the platform's separator.
std::string path(std::string text) {
    for (char& c : text) {
        if (c == '/') c = platform::kSeparator;
    }
    return text;
}

TEST(PathFiltersTest, ExtensionsMatchTheWholePathByteForByte) {
    struct Case {
        const char* file;
        StringList extensions;
        bool passes;
    };
    const Case cases[] = {
        {"d/b.txt", {".txt"}, true},
        {"d/b.txt", {".TXT"}, false},
        {"d/x.txt.bak/c.doc", {".txt"}, true},
        {"d/b.doc", {".txt", ".doc"}, true},
        {"d/b.doc", {".txt"}, false},
        {"d/b.doc", {"*"}, true},
        {"d/b.doc", {"*", ".txt"}, true},
        {"d/b.doc", {".txt", "*"}, false},
        {"d/b.doc", {""}, true},
        {"d/b.doc", {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(passesExtensions(path(c.file), c.extensions), c.passes);
    }
}

TEST(PathFiltersTest, ExclusionsIgnoreCaseAndDoubledSeparators) {
    struct Case {
        const char* dir;
        StringList exclusions;
        bool excluded;
    };
    const Case cases[] = {
        {"c/temp", {"C/TEMP"}, true},
        {"c/temporary", {"c/temp"}, true},
        {"c/temp/sub", {"c/temp"}, true},
        {"c/other", {"c/temp"}, false},
        {"c//temp", {"c/temp"}, true},
        {"c/temp", {"c//temp"}, true},
        {"c///temp", {"c//temp"}, false},  // three separators fold to two
        {"c/a", {}, false},
        {"c/a", {""}, true},
        {"c/a", {"zz", "A"}, true},
        {"c/a.txt", {"b.txt"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dir);
        StringList exclusions;
        for (const std::string& exclusion : c.exclusions) exclusions.push_back(path(exclusion));
        EXPECT_EQ(isExcluded(path(c.dir), exclusions), c.excluded);
    }
}

TEST(PathFiltersTest, FoldingTakesPairsLeftToRightWithoutOverlap) {
    EXPECT_EQ(foldDoubledSeparators(path("a//b")), path("a/b"));
    EXPECT_EQ(foldDoubledSeparators(path("a///b")), path("a//b"));
    EXPECT_EQ(foldDoubledSeparators(path("a////b")), path("a//b"));
    EXPECT_EQ(foldDoubledSeparators(path("/a/")), path("/a/"));
    EXPECT_EQ(foldDoubledSeparators(""), "");
}

TEST(PathFiltersTest, ContainsTextFindsAnyPlaceAndTheEmptyText) {
    EXPECT_TRUE(containsText("abcabd", "abd"));
    EXPECT_TRUE(containsText("abc", ""));
    EXPECT_FALSE(containsText("ab", "abc"));
    EXPECT_FALSE(containsText("", "a"));
}

}  // namespace
