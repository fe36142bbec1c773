// Comparisons while the tree changes under a run (a candidate removed, or a name
// replaced, after the listing saw it), and under a low limit on open files.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "e2e_env.h"
#include "expected_run.h"
#include "messages.h"
#include "paced_child.h"
#include "platform_text.h"
#include "program_test.h"
#include "trace_records.h"

namespace twinscout::e2e {
namespace {

class PosixCompareTest : public ExpectedRunTest {};

// Descriptors a child of this process starts with below `limit`: the standard ones,
// and whatever this process holds without closing on exec.
int descriptorsInheritedBelow(int limit) {
    int count = 3;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        const int fd = std::stoi(entry.path().filename().string());
        const int flags = ::fcntl(fd, F_GETFD);
        if (fd > 2 && fd < limit && flags >= 0 && (flags & FD_CLOEXEC) == 0) ++count;
    }
    return count;
}

// 600 files of 6 sizes, copies of each other in part, in 40 directories at most five
// levels deep. Under every limit on open files the run either finds every pair a run
// without a limit finds, or says on standard error that it may not have, and ends with
// status 71; from the limit the walk itself needs on, always the former.
TEST_F(PosixCompareTest, FewDescriptorsGiveTheExactPairsOrSaySo) {
    std::vector<std::string> dirs{"src"};
    unsigned seed = 12345;
    const auto next = [&seed](unsigned range) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % range;
    };
    for (int d = 1; d < 40; ++d) {
        std::string parent = dirs[next(static_cast<unsigned>(dirs.size()))];
        if (std::count(parent.begin(), parent.end(), '/') >= 4) parent = "src";
        dirs.push_back(parent + "/d" + std::to_string(d));
    }
    const std::size_t sizes[] = {10, 300, 4096, 5000, 9000, 70000};
    for (int i = 0; i < 600; ++i) {
        const std::size_t size = sizes[next(6)];
        std::string bytes(size, static_cast<char>('a' + next(4)));
        bytes[size / 2] = static_cast<char>('0' + next(3));
        m_dir.writeFile(dirs[next(40)] + "/f" + std::to_string(i), bytes);
    }
    const ChildResult plenty = runProgram({"/s", "src"});
    ASSERT_TRUE(endedNormally(plenty));
    ASSERT_EQ(plenty.exitCode, 0);
    ASSERT_NE(plenty.out.find(" #### "), std::string::npos);

    // A sanitized build's runtime needs descriptors of its own, a pipe to probe memory,
    // beside all the run may hold at once.
    const int lowest = std::getenv("ASAN_OPTIONS") != nullptr ? 12 : 6;
    int firstComplete = 0;
    for (int limit = lowest; limit <= 40; ++limit) {
        SCOPED_TRACE(limit);
        const ChildResult few =
            runChild(Command{"/usr/bin/prlimit",
                             {"--nofile=" + std::to_string(limit) + ":" + std::to_string(limit),
                              "--", programPath().string(), "/s", "src"},
                             m_dir.path()});
        ASSERT_TRUE(endedNormally(few));
        if (few.exitCode == 0) {
            if (firstComplete == 0) firstComplete = limit;
            const auto pairs = [](const std::string& out) {
                std::size_t count = 0;
                for (std::size_t at = out.find(" #### "); at != std::string::npos;
                     at = out.find(" #### ", at + 1)) {
                    ++count;
                }
                return count;
            };
            EXPECT_TRUE(few.out == plenty.out)
                << pairs(few.out) << " pairs instead of " << pairs(plenty.out);
            EXPECT_EQ(few.err, "");
        } else {
            EXPECT_EQ(firstComplete, 0) << "a higher limit must not do worse";
            EXPECT_EQ(few.exitCode, 71);
            EXPECT_NE(few.err.find("for want of file handles"), std::string::npos) << few.err;
        }
    }
    // Five listings, a file and the O_PATH descriptor it is opened through, and the
    // directory of the process's descriptors, beside what the run starts with and
    // its two rings.
    ASSERT_NE(firstComplete, 0);
    EXPECT_LE(firstComplete, descriptorsInheritedBelow(40) + 2 + 5 + 2 + 1);
}

// Two small files with long paths, listed before the files of a test: once the
// listing is read, their first-file lines fill the child's pipe before the
// comparison reaches the larger files, so the test can change the tree there.
struct Fillers {
    std::vector<std::string> sources;  // the fillers' directories, then `after`
    ExpectedRun listing;               // the whole listing and the count line
    std::string throughCount;          // its console bytes through the count line
    std::size_t stallBytes = 0;        // what the comparison writes before the test's files
};

// `after`: the test's sources, each holding one file.
Fillers makeFillers(const TempDir& dir,
                    const std::vector<std::pair<std::string, std::string>>& after) {
    Fillers fillers;
    for (int i = 1; i <= 2; ++i) {
        std::string path = "fill" + std::to_string(i);
        for (int level = 0; level < 11; ++level) path += "/" + std::string(200, 'a' + level);
        dir.writeFile(path + "/f.dat", std::string(static_cast<std::size_t>(i), 'f'));
        fillers.stallBytes += consoleText(path + "/f.dat\n").size();
        fillers.listing.flatSource(path, {path + "/f.dat"});
        fillers.sources.push_back(std::move(path));
    }
    for (const auto& [source, file] : after) {
        fillers.listing.flatSource(source, {file});
        fillers.sources.push_back(source);
    }
    fillers.listing.listed(2 + static_cast<int>(after.size()));
    const std::string checking = consoleText(text::kChecking);
    fillers.throughCount = fillers.listing.console();
    fillers.throughCount.resize(fillers.throughCount.size() - checking.size());
    fillers.stallBytes += checking.size();
    return fillers;
}

std::vector<std::string> withSources(const std::vector<std::string>& sources,
                                     std::vector<std::string> more) {
    std::vector<std::string> args{"/s"};
    args.insert(args.end(), sources.begin(), sources.end());
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// A catalogued file that is gone when its turn as a candidate comes is passed
// over without a trace, and the scan goes on with the next candidate; so is one
// that would have differed anyway (d).
TEST_F(PosixCompareTest, CandidateGoneBeforeComparisonPassedOver) {
    for (const char* dir : {"a", "b", "c"}) m_dir.writeFile(std::string(dir) + "/x.dat", "group");
    m_dir.writeFile("d/x.dat", "grouq");
    const Fillers fillers = makeFillers(
        m_dir, {{"a", "a/x.dat"}, {"b", "b/x.dat"}, {"c", "c/x.dat"}, {"d", "d/x.dat"}});

    PacedChild child(programCommand(withSources(fillers.sources, {"/d"})));
    ASSERT_TRUE(child.started()) << child.failure();
    ASSERT_GT(fillers.stallBytes, child.pipeCapacity());
    EXPECT_EQ(child.read(fillers.throughCount.size()), fillers.throughCount);
    std::filesystem::remove(m_dir.path() / "b/x.dat");
    std::filesystem::remove(m_dir.path() / "d/x.dat");
    const ChildResult rest = child.finish();
    ASSERT_TRUE(endedNormally(rest));
    EXPECT_EQ(rest.exitCode, 0);

    ExpectedRun run = fillers.listing;
    run.first(fillers.sources[0] + "/f.dat").first(fillers.sources[1] + "/f.dat");
    run.first("a/x.dat").compared("a/x.dat", "c/x.dat", true);
    run.first("b/x.dat").first("c/x.dat").first("d/x.dat");
    run.report({{"a/x.dat", "c/x.dat"}}).finish();
    EXPECT_EQ(fillers.throughCount + rest.out, run.console());
    EXPECT_EQ(maskTimestamps(readLog()), run.trace());
}

// H and X are one file holding OLD, Z holds NEW with the same head. Once listed,
// H is replaced by a copy of NEW: X never held NEW, and the name H no longer leads
// to the file the listing saw, so nothing pairs.
TEST_F(PosixCompareTest, NameReplacedAfterListingLendsNoBytes) {
    const std::string head(5000, 'h');
    m_dir.writeFile("a/Z.dat", head + "NEW");
    m_dir.writeFile("b/H.dat", head + "OLD");
    m_dir.makeDir("c");
    std::filesystem::create_hard_link(m_dir.path() / "b/H.dat", m_dir.path() / "c/X.dat");
    const Fillers fillers =
        makeFillers(m_dir, {{"a", "a/Z.dat"}, {"b", "b/H.dat"}, {"c", "c/X.dat"}});

    PacedChild child(programCommand(withSources(fillers.sources, {})));
    ASSERT_TRUE(child.started()) << child.failure();
    ASSERT_GT(fillers.stallBytes, child.pipeCapacity());
    EXPECT_EQ(child.read(fillers.throughCount.size()), fillers.throughCount);
    m_dir.writeFile("new.dat", head + "NEW");
    std::filesystem::rename(m_dir.path() / "new.dat", m_dir.path() / "b/H.dat");
    const ChildResult rest = child.finish();
    ASSERT_TRUE(endedNormally(rest));
    EXPECT_EQ(rest.exitCode, 0);
    EXPECT_EQ(rest.out.find(" #### "), std::string::npos) << rest.out;
}

}  // namespace
}  // namespace twinscout::e2e
