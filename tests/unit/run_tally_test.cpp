// What a run tells someone watching a terminal: the progress line, and the figures and
// wording of the summary it ends with.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "app/run_summary.h"
#include "fake_file_system.h"
#include "finder/finder.h"
#include "finder_case.h"
#include "memory_output.h"

namespace twinscout::e2e {
namespace {

struct TallyCase {
    const char* name;
    std::function<void(FakeTree&)> plant;
    RunTally expected;
};

// The tree searched from "t" by both phases of the finder.
RunTally search(const std::function<void(FakeTree&)>& plant, MemoryOutput& output) {
    FakeFileSystem fs;
    FakeTree tree(fs);
    plant(tree);
    StringList sources{native("t")};
    StringList none;
    CFinder finder(sources, none, none, output, fs);
    finder.find();
    finder.compareFiles();
    return finder.tally();
}

TEST(RunTallyTest, GroupsCopiesAndBytesOnATableOfTrees) {
    const TallyCase cases[] = {
        {"nothing alike",
         [](FakeTree& t) { t.file("t/a", "12345"), t.file("t/b", "54321"); },
         {0, 0, 0, 0, 0}},
        {"three copies and a pair",
         [](FakeTree& t) {
             t.file("t/a", "12345"), t.file("t/b", "12345"), t.file("t/s/c", "12345");
             t.file("t/d", "xy"), t.file("t/e", "xy"), t.file("t/f", "zz");
         },
         {2, 3, 2 * 5 + 2, 0, 0}},
        // Names of one file free nothing: counted as copies, not as bytes.
        {"hard links count once",
         [](FakeTree& t) {
             t.file("t/a", "12345"), t.hardLink("t/b", "t/a"), t.file("t/c", "12345");
         },
         {1, 2, 5, 0, 0}},
        {"a file that can't be opened",
         [](FakeTree& t) {
             t.file("t/a", "12345"), t.file("t/b", "12345");
             t.unopenable("t/c", "12345");
         },
         {1, 1, 5, 1, 0}},
        // Its kind can't be read: walked as a directory, which can't be listed.
        {"a dangling link",
         [](FakeTree& t) { t.file("t/a", "12345"), t.link("t/gone", "t/nowhere"); },
         {0, 0, 0, 0, 1}},
    };
    for (const TallyCase& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryOutput output;
        const RunTally tally = search(c.plant, output);
        EXPECT_EQ(tally.groups, c.expected.groups);
        EXPECT_EQ(tally.copies, c.expected.copies);
        EXPECT_EQ(tally.bytesFreed, c.expected.bytesFreed);
        EXPECT_EQ(tally.unreadFiles, c.expected.unreadFiles);
        EXPECT_EQ(tally.unlistedDirectories, c.expected.unlistedDirectories);
    }
}

// A phase's first line shows at once, later ones by the clock: a quick run shows each
// phase once at least, and takes the line away before its end.
TEST(RunTallyTest, ProgressOnlyWhereShownAndTakenAwayAtTheEnd) {
    for (const bool shown : {true, false}) {
        MemoryOutput output(false, shown);
        search(
            [](FakeTree& t) {
                t.file("t/a", "12345"), t.file("t/b", "12345"), t.file("t/s/c", "54321");
            },
            output);
        if (!shown) {
            EXPECT_TRUE(output.progressLines.empty());
            continue;
        }
        ASSERT_GE(output.progressLines.size(), 3u);
        EXPECT_TRUE(output.progressLines.front().starts_with("Listing: "))
            << output.progressLines.front();
        EXPECT_NE(std::find(output.progressLines.begin(), output.progressLines.end(),
                            "Comparing: 0 of 3 files, 0 bytes of 15 bytes, 0 pairs"),
                  output.progressLines.end());
        EXPECT_EQ(output.progressLines.back(), "");
        for (const std::string& line : output.progressLines) EXPECT_LE(line.size(), 79u) << line;
    }
}

TEST(RunTallyTest, SummaryWording) {
    EXPECT_EQ(summaryLine({}, 0.04), "twinscout: no identical files; 0.0 s");
    EXPECT_EQ(summaryLine({1, 1, 999, 0, 0}, 1.24),
              "twinscout: 1 group of identical files, 1 copy, 999 bytes to free by removing "
              "them; 1.2 s");
    EXPECT_EQ(summaryLine({4025, 10002, 212'200'000, 3, 1}, 61),
              "twinscout: 4,025 groups of identical files, 10,002 copies, 212.2 MB to free by "
              "removing them; not read: 3 files and 1 directory (run with /d to see which "
              "directories); 61.0 s");
    EXPECT_EQ(summaryLine({2, 2, 999'960, 1, 0}, 2),
              "twinscout: 2 groups of identical files, 2 copies, 1.0 MB to free by removing "
              "them; not read: 1 file and 0 directories; 2.0 s");
}

}  // namespace
}  // namespace twinscout::e2e
