#include "finder/content_hash.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_file_system.h"

namespace {

std::uint64_t digestOf(FakeFileSystem& fs, const std::string& path) {
    platform::FileStatus status;
    const platform::File file = fs.open(path, status);
    std::vector<char> buffer(kHeadBytes);
    return headDigest(file, status.size, buffer.data());
}

TEST(HeadDigestTest, CoversTheFirstBytesOnlyAndTellsTheirDifferences) {
    FakeFileSystem fs;
    const std::string head(kHeadBytes, 'x');
    fs.addFile("same head", head + "tail one");
    fs.addFile("same head too", head + "tail two");
    std::string otherHead = head;
    otherHead.back() = 'y';
    fs.addFile("other head", otherHead + "tail one");
    fs.addFile("short", "abc");
    fs.addFile("short too", "abd");

    EXPECT_EQ(digestOf(fs, "same head"), digestOf(fs, "same head too"));
    EXPECT_NE(digestOf(fs, "same head"), digestOf(fs, "other head"));
    EXPECT_NE(digestOf(fs, "short"), digestOf(fs, "short too"));
    EXPECT_NE(digestOf(fs, "short"), kUnknownHead);
}

TEST(HeadDigestTest, AHeadThatCannotBeReadWholeIsUnknown) {
    FakeFileSystem fs;
    fs.addFile("failing", std::string(100, 'x')).failAt = 50;
    fs.addFile("shrunk", std::string(100, 'x')).announcedSize = 200;
    EXPECT_EQ(digestOf(fs, "failing"), kUnknownHead);
    EXPECT_EQ(digestOf(fs, "shrunk"), kUnknownHead);
}

}  // namespace
