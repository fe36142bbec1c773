// Random trees in the in-memory file system, compared by the finder with its own
// comparison and with the plain pairwise judge: the console and the trace must be the
// same, whatever order the reads finish in and whatever the listing tells.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "fake_file_system.h"
#include "finder/finder.h"
#include "memory_output.h"
#include "platform/system.h"
#include "tests/oracle/pairwise_judge.h"

namespace {

MemoryOutput outputOf(FakeFileSystem& fs, BandJudgeMaker makeJudge, bool tracing) {
    StringList sources{"a", "b"};
    StringList extensions;
    StringList exclusions;
    MemoryOutput output(tracing);
    {
        CFinder finder(sources, extensions, exclusions, output, fs, makeJudge);
        finder.find();
        finder.compareFiles();
    }
    return output;
}

// Sizes that collide, contents that are copies or differ at the first, a middle or
// the last byte, across chunk edges; hard links, links, files that can't be opened
// or read, and a second source that is partly the first.
void randomTree(FakeFileSystem& fs, unsigned seed) {
    std::mt19937 random(seed);
    const auto pick = [&](std::size_t count) { return static_cast<std::size_t>(random() % count); };
    const std::size_t sizes[] = {1, 2, 4095, 4096, 4097, 40000, 70000};
    const std::string dirs[] = {"a", "a/x", "a/y", "b", "b/z"};
    std::vector<std::string> files;
    const int count = 4 + static_cast<int>(pick(30));
    for (int i = 0; i < count; ++i) {
        std::string path = dirs[pick(5)] + "/f" + std::to_string(i);
        std::replace(path.begin(), path.end(), '/', platform::kSeparator);
        const std::size_t size = sizes[pick(7)];
        std::string bytes(size, static_cast<char>('a' + pick(2)));
        const std::size_t change = pick(6);
        if (change < 3) bytes[change == 0 ? 0 : change == 1 ? size / 2 : size - 1] ^= 1;
        switch (pick(12)) {
            case 0:
                if (!files.empty()) {
                    fs.addHardLink(path, files[pick(files.size())]);
                    continue;
                }
                break;
            case 1:
                if (!files.empty()) {
                    fs.addLink(path, files[pick(files.size())]);
                    continue;
                }
                break;
            case 2:
                fs.addFile(path, bytes).openable = false;
                continue;
            case 3:
                fs.addFile(path, bytes).failAt = static_cast<std::int64_t>(pick(size));
                continue;
            default:
                break;
        }
        fs.addFile(path, bytes);
        files.push_back(path);
    }
    if (pick(2) == 0) {
        std::string link = std::string("b") + platform::kSeparator + "again";
        std::string target = std::string("a") + platform::kSeparator + "x";
        fs.addLink(link, target);
    }
}

TEST(DifferentialTest, RandomTreesGiveTheSameOutputBothWays) {
    int withPairs = 0;
    for (unsigned seed = 1; seed <= 300; ++seed) {
        FakeFileSystem fs;
        randomTree(fs, seed);
        FakeFileSystem copy = fs;
        fs.lateReads = seed % 2 == 0;
        fs.hinderOthers = seed % 4 < 2;
        fs.windowsListing = copy.windowsListing = seed % 5 < 2;
        fs.listingWithoutIdentities = copy.listingWithoutIdentities = seed % 5 == 1;
        const bool tracing = seed % 3 == 0;
        const MemoryOutput real = outputOf(fs, makeContentComparison, tracing);
        const MemoryOutput plain = outputOf(copy, makePairwiseJudge, tracing);
        ASSERT_EQ(real.console, plain.console) << "seed " << seed;
        ASSERT_EQ(real.records, plain.records) << "seed " << seed;
        ASSERT_EQ(real.records.empty(), !tracing);
        ASSERT_EQ(fs.openNow, 0);
        for (const auto& [path, opens] : fs.opensOf)
            ASSERT_LE(opens, 2) << path << " seed " << seed;
        withPairs += real.console.find(" #### ") != std::string::npos;
    }
    EXPECT_GT(withPairs, 100) << "the trees must hold copies to tell anything";
}

}  // namespace
