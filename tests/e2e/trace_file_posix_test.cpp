// What debug.log may be on POSIX when a run with /d meets it: a link, a FIFO,
// a file locked by another run, or a name the run has no descriptor left for.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "deep_tree.h"
#include "e2e_env.h"
#include "expected_run.h"
#include "locked_file.h"
#include "messages.h"
#include "paced_child.h"
#include "platform_text.h"
#include "program_test.h"
#include "trace_records.h"

namespace twinscout::e2e {
namespace {

std::string usageThenFramed() {
    return std::string(text::kUsage) + std::string(text::kStart) + std::string(text::kFinished);
}

class PosixTraceFileTest : public ProgramTest {
protected:
    // A run with /d and a parameter error, so that it writes records without a
    // walk: the run itself must not change.
    void expectRunUnchanged() const {
        const ChildResult result = runProgram({"/d", "/x"});
        ASSERT_TRUE(endedNormally(result));
        EXPECT_EQ(result.exitCode, 87);
        EXPECT_EQ(result.out, usageThenFramed());
    }
};

// Anyone who can write the directory could point debug.log at any file of the
// user's and have the records, paths with newlines included, appended there.
TEST_F(PosixTraceFileTest, LinkIsNeverWrittenThrough) {
    const std::string kept = "a file of the user's\n";
    m_dir.writeFile("elsewhere/kept.txt", kept);
    std::filesystem::create_symlink("elsewhere/kept.txt", logPath());

    expectRunUnchanged();
    EXPECT_EQ(readFileBytes(m_dir.path() / "elsewhere/kept.txt"), kept);
    EXPECT_TRUE(std::filesystem::is_symlink(logPath()));
}

TEST_F(PosixTraceFileTest, DanglingLinkCreatesNothing) {
    std::filesystem::create_symlink("planted.txt", logPath());

    expectRunUnchanged();
    EXPECT_FALSE(std::filesystem::exists(m_dir.path() / "planted.txt"));
    EXPECT_TRUE(std::filesystem::is_symlink(logPath()));
}

// Records written into a FIFO stay there for its reader, and a run blocks for
// good once they outgrow the pipe. The test keeps a reader open, so anything
// written would still be there to read.
TEST_F(PosixTraceFileTest, FifoIsNeverWritten) {
    ASSERT_EQ(::mkfifo(logPath().c_str(), 0644), 0) << std::strerror(errno);
    const int reader = ::open(logPath().c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0) << std::strerror(errno);

    expectRunUnchanged();
    char buffer[256];
    // No writer and nothing written: end of file at once.
    EXPECT_EQ(::read(reader, buffer, sizeof buffer), 0);
    ::close(reader);
}

// A run stopped while it holds the lock: once a record has waited in vain, the
// later ones try without waiting, and as soon as the lock is free again the
// records are written as before. The test holds the lock until the run's
// standard output shows the listing done, and the run can't get far past that
// point before the test reads on.
TEST_F(PosixTraceFileTest, RecordsAfterTheLockIsFreedAreWritten) {
    // Long names, so that the comparison phase prints more than the pipe holds.
    const int count = 64;
    std::vector<std::string> bySize;
    for (int i = 0; i < count; ++i) {
        const std::string name = std::string(100, 'n') + std::to_string(i) + ".dat";
        m_dir.writeFile("src/" + name, std::string(static_cast<std::size_t>(i + 1), 'x'));
        bySize.push_back("src/" + name);
    }
    ExpectedRun listing;
    listing.source("src").enterDirectory("src");
    for (const std::string& name : listedNames(m_dir.path() / "src")) listing.found("src/" + name);
    listing.leaveDirectory("src").listed(count);
    const std::string checking(text::kChecking);
    std::string throughCount = listing.console();
    throughCount.resize(throughCount.size() - checking.size());

    const std::string earlier = "Mon Dec 07 14:37:36 2026 :: held by another run\n";
    m_dir.writeFile("debug.log", earlier);
    LockedFile lock(logPath());
    ASSERT_TRUE(lock.held());

    PacedChild child(programCommand({"/s", "src", "/d"}));
    ASSERT_TRUE(child.started()) << child.failure();
    EXPECT_EQ(child.read(throughCount.size()), throughCount);
    lock.release();
    const ChildResult rest = child.finish();
    ASSERT_TRUE(endedNormally(rest));
    EXPECT_EQ(rest.exitCode, 0);

    // Every record whose console line comes more than a pipe's worth after the
    // point where the test let go was written after the lock was free.
    ExpectedRun run = listing;
    std::size_t mustBeWritten = 0;
    for (const std::string& path : bySize) {
        if (mustBeWritten == 0 &&
            run.console().size() > throughCount.size() + child.pipeCapacity()) {
            mustBeWritten = splitRecords(run.trace()).size();
        }
        run.first(path);
    }
    run.report({}).finish();
    EXPECT_EQ(throughCount + rest.out, run.console());
    const std::vector<std::string> all = splitRecords(run.trace());
    ASSERT_GT(mustBeWritten, 0u) << "the comparison phase must outgrow the pipe";
    mustBeWritten = all.size() - mustBeWritten;

    const std::string log = readLog();
    ASSERT_TRUE(log.starts_with(earlier)) << log.substr(0, 200);
    const std::vector<std::string> written =
        splitRecords(maskTimestamps(log.substr(earlier.size())));
    // Whole records, the last ones of the run, and not the first: it met the lock.
    ASSERT_LT(written.size(), all.size());
    EXPECT_GE(written.size(), mustBeWritten);
    EXPECT_TRUE(std::equal(written.begin(), written.end(), all.end() - written.size()));
}

// A run ended by a signal while it writes a record longer than a stream buffer
// leaves debug.log ending in a whole record. strace signals the run at the first
// write of that record and lets the write through: written in pieces, only the
// first piece would be in the file.
TEST_F(PosixTraceFileTest, SignalAtALongRecordLeavesItWhole) {
    const std::filesystem::path strace = "/usr/bin/strace";
    if (!std::filesystem::exists(strace)) {
        GTEST_SKIP() << "strace is needed to signal the run at a chosen write";
    }
    const std::string name(200, 'n');
    const DeepTree tree(m_dir.makeDir("long"), name, 50);
    ASSERT_EQ(tree.depth(), 50);
    std::string source = "long";
    for (int level = 0; level < 50; ++level) source += "/" + name;
    const std::vector<std::string> args = {"/s", source, "/d"};

    ASSERT_TRUE(endedNormally(runProgram(args)));
    const std::vector<std::string> whole = splitRecords(maskTimestamps(readLog()));
    std::filesystem::remove(logPath());
    std::size_t first = 0;
    while (first < whole.size() && whole[first].size() < 8192) {
        // Each record before it fits in any stream buffer: one write even in pieces.
        ASSERT_LT(whole[first].size(), 4000u) << whole[first];
        ++first;
    }
    ASSERT_LT(first, whole.size());

    m_dir.writeFile("debug.log", "");
    std::vector<std::string> traced = {
        "-o", "/dev/null",
        "-P", logPath().string(),
        "-e", "trace=write",
        "-e", "inject=write:signal=SIGTERM:when=" + std::to_string(first + 1),
        "--", programPath().string()};
    traced.insert(traced.end(), args.begin(), args.end());
    const ChildResult result = runChild(Command{strace, traced, m_dir.path()});
    ASSERT_TRUE(result.started) << result.failure;
    ASSERT_EQ(result.exitCode, 128 + SIGTERM) << result.err;

    const std::string log = maskTimestamps(readLog());
    const std::vector<std::string> written = splitRecords(log);
    ASSERT_EQ(written.size(), first + 1)
        << log.substr(log.size() - std::min<std::size_t>(300, log.size()));
    EXPECT_TRUE(std::equal(written.begin(), written.end(), whole.begin()))
        << "the last record written is " << written.back().size() << " bytes, not "
        << whole[first].size();
}

// Each directory level keeps a descriptor open, so a tree deeper than the
// descriptor limit makes a listing fail for want of one: that failure, of all
// things, must reach the trace, and the run's status says pairs may be missing.
// prlimit sets a low hard limit for the run only.
TEST_F(PosixTraceFileTest, ListingThatRanOutOfDescriptorsIsTraced) {
    const std::filesystem::path prlimit = "/usr/bin/prlimit";
    ASSERT_TRUE(std::filesystem::exists(prlimit)) << "util-linux's prlimit is needed";
    const int limit = 32;
    const DeepTree tree(m_dir.makeDir("deep"), "d", 2 * limit);
    ASSERT_EQ(tree.depth(), 2 * limit);

    const ChildResult result =
        runChild(Command{prlimit,
                         {"--nofile=" + std::to_string(limit) + ":" + std::to_string(limit), "--",
                          programPath().string(), "/s", "deep", "/d"},
                         m_dir.path()});
    ASSERT_TRUE(endedNormally(result));
    EXPECT_EQ(result.exitCode, 71);
    EXPECT_TRUE(result.out.ends_with(text::foundFiles(0) + std::string(text::kChecking) +
                                     std::string(text::kFinished)))
        << result.out;

    const std::vector<std::string> records = splitRecords(maskTimestamps(readLog()));
    std::vector<std::size_t> failures;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (records[i].find("Aucun fichier") != std::string::npos) failures.push_back(i);
    }
    ASSERT_EQ(failures.size(), 1u) << "listing failures in " << records.size() << " records";
    const std::size_t at = failures.front();
    ASSERT_GT(at, 0u);
    ASSERT_LT(at + 1, records.size());
    std::string dir = "deep";
    while (records[at - 1] != traceRecord(text::parseDirectoryIn(dir)) &&
           dir.size() < 4 * static_cast<std::size_t>(limit)) {
        dir += "/d";
    }
    EXPECT_EQ(records[at - 1], traceRecord(text::parseDirectoryIn(dir)));
    EXPECT_EQ(records[at], traceRecord(text::listingFailed(dir + "/*.*", "18")));  // EMFILE
    EXPECT_EQ(records[at + 1], traceRecord(text::kParseDirectoryFailedOut));
    EXPECT_EQ(records.back(), traceRecord(text::runEnd(71)));
}

}  // namespace
}  // namespace twinscout::e2e
