// With few handles the finder gives the answer it gives with plenty, or says that it
// may miss pairs; never a partial answer as a complete one.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>

#include "fake_file_system.h"
#include "finder/finder.h"
#include "memory_output.h"
#include "platform/system.h"

namespace {

std::string native(std::string path) {
    std::replace(path.begin(), path.end(), '/', platform::kSeparator);
    return path;
}

struct Outcome {
    MemoryOutput output;
    bool incomplete = false;
};

Outcome runFinder(FakeFileSystem& fs, bool tracing, const std::function<void()>& between = {}) {
    StringList sources{"top"};
    StringList extensions;
    StringList exclusions;
    Outcome outcome{MemoryOutput(tracing)};
    {
        CFinder finder(sources, extensions, exclusions, outcome.output, fs);
        finder.find();
        if (between) between();
        finder.compareFiles();
        outcome.incomplete = finder.incomplete();
    }
    EXPECT_EQ(fs.openNow, 0) << "every file is closed again";
    return outcome;
}

// Four levels of directories, the deepest of them with files: a walk needs four
// listings and one file open at once. Sizes below, at and above a head and a last
// block; most files have copies somewhere.
FakeFileSystem treeOfCopies() {
    FakeFileSystem fs;
    std::mt19937 random(7);
    const std::size_t sizes[] = {10, 4096, 5000, 9000, 70000};
    const std::string dirs[] = {"top", "top/a", "top/b", "top/a/c", "top/b/d", "top/a/c/e"};
    for (int i = 0; i < 90; ++i) {
        const std::size_t size = sizes[random() % 5];
        std::string bytes(size, static_cast<char>('a' + random() % 3));
        bytes[size / 2] = static_cast<char>('0' + random() % 2);
        fs.addFile(native(dirs[random() % 6] + "/f" + std::to_string(i)), bytes);
    }
    return fs;
}

// The walk opens listings only, one per level; the comparison needs one file at a time.
TEST(HandleLimitTest, EveryLimitGivesTheExactAnswerOrSaysItMayMissPairs) {
    constexpr int kWalkNeeds = 4;
    for (const bool tracing : {false, true}) {
        for (const bool late : {false, true}) {
            FakeFileSystem fs = treeOfCopies();
            fs.lateReads = late;
            const Outcome plenty = runFinder(fs, tracing);
            ASSERT_FALSE(plenty.incomplete);
            ASSERT_NE(plenty.output.console.find(" #### "), std::string::npos);
            for (int limit = 1; limit <= 24; ++limit) {
                SCOPED_TRACE(testing::Message()
                             << "limit " << limit << " tracing " << tracing << " late " << late);
                fs.handleLimit = limit;
                fs.refusals = 0;
                const Outcome few = runFinder(fs, tracing);
                EXPECT_EQ(few.incomplete, limit < kWalkNeeds);
                if (limit < 12) {
                    EXPECT_GT(fs.refusals, 0) << "the limit was never met";
                }
                if (few.incomplete) continue;
                EXPECT_EQ(few.output.console, plenty.output.console);
                EXPECT_EQ(few.output.records, plenty.output.records);
            }
        }
    }
}

// The listing holds no file, and files read ahead give way to the comparison's own
// reads: one handle is enough to compare.
TEST(HandleLimitTest, OneHandleLeftForTheComparisonIsEnough) {
    FakeFileSystem fs = treeOfCopies();
    const Outcome plenty = runFinder(fs, false);
    int heldAfterListing = -1;
    const Outcome one = runFinder(fs, false, [&] {
        heldAfterListing = fs.openNow;
        fs.handleLimit = 1;
    });
    EXPECT_EQ(heldAfterListing, 0) << "the listing holds no file";
    EXPECT_FALSE(one.incomplete);
    EXPECT_EQ(one.output.console, plenty.output.console);
}

}  // namespace
