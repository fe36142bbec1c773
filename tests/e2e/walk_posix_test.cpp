// The walk over what only POSIX trees hold here: symbolic links, which the walk
// follows like the entries they lead to, FIFOs, and trees deeper than any path.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "deep_tree.h"
#include "e2e_env.h"
#include "expected_run.h"
#include "helper_program.h"
#include "messages.h"
#include "platform_text.h"
#include "program_test.h"
#include "trace_records.h"

namespace twinscout::e2e {
namespace {

class PosixWalkTest : public ExpectedRunTest {
protected:
    void link(const std::string& target, const std::string& at) const {
        std::filesystem::create_symlink(target, m_dir.path() / at);
    }
};

// Links of every kind in one real tree, as the system reports them: a link back up the
// walk and links to the directory itself end at one record each where the walk meets
// them, a link to a directory elsewhere is walked, hard links pair, and a link to a
// file is never a copy of its target while a real copy pairs with both.
TEST_F(PosixWalkTest, LinksOfEveryKind) {
    m_dir.makeDir("loop/d");
    link("..", "loop/d/back");
    m_dir.writeFile("self/f.dat", "f");
    link(".", "self/me");
    link("../self", "self/again");
    m_dir.writeFile("elsewhere/y.dat", "yy");
    m_dir.makeDir("far");
    link("../elsewhere", "far/link");
    m_dir.writeFile("one/a.dat", "linked");
    m_dir.makeDir("two");
    std::filesystem::create_hard_link(m_dir.path() / "one/a.dat", m_dir.path() / "two/b.dat");
    m_dir.writeFile("a/real.dat", "content");
    m_dir.writeFile("b/copy.dat", "content");
    m_dir.makeDir("links");
    link("../a/real.dat", "links/alias.dat");
    const std::string real = "a/real.dat";
    const std::string copy = "b/copy.dat";
    const std::string alias = "links/alias.dat";

    ExpectedRun run;
    run.source("loop").enterDirectory("loop").enterDirectory("loop/d");
    run.loopSkipped("loop/d/back").leaveDirectory("loop/d").leaveDirectory("loop");
    run.source("self").enterDirectory("self");
    for (const std::string& name : listedNames(m_dir.path() / "self")) {
        if (name == "f.dat") {
            run.found("self/f.dat");
        } else {
            run.loopSkipped("self/" + name);
        }
    }
    run.leaveDirectory("self");
    run.source("far").enterDirectory("far").enterDirectory("far/link").found("far/link/y.dat");
    run.leaveDirectory("far/link").leaveDirectory("far");
    run.flatSource("one", {"one/a.dat"}).flatSource("two", {"two/b.dat"});
    run.flatSource("a", {real}).flatSource("b", {copy}).flatSource("links", {alias}).listed(7);
    run.first("self/f.dat").first("far/link/y.dat");
    run.first("one/a.dat").compared("one/a.dat", "two/b.dat", true).first("two/b.dat");
    run.first(real).compared(real, copy, true);
    run.first(copy).compared(copy, alias, true).first(alias);
    run.report({{"one/a.dat", "two/b.dat"}, {real, copy}, {copy, alias}}).finish();
    expectRun({"/s", "loop", "self", "far", "one", "two", "a", "b", "links"}, run);
}

// A FIFO or a device is listed like any file and kept out of the catalogue, unless it
// is the run's first file, and is never opened: reading a FIFO would wait for a writer
// that never comes, opening one would release a writer waiting on it, and a device may
// act on being opened. The kernel reports every open, and none must come.
TEST_F(PosixWalkTest, FifosAndDevicesListedButNeverOpened) {
    m_dir.writeFile("src/a.dat", "aaa");
    m_dir.writeFile("src/b.dat", "bbbbb");
    const std::filesystem::path fifo = m_dir.path() / "src/pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    const std::filesystem::path device = m_dir.path() / "src/zero";
    // The null device's numbers; only root may make the node.
    const bool withDevice = ::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    if (!withDevice) std::cout << "[   NOTE   ] no device node without root; FIFO only\n";
    std::filesystem::create_symlink("pipe", m_dir.path() / "src/to-pipe");

    const int events = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(events, 0);
    ASSERT_GE(::inotify_add_watch(events, fifo.c_str(), IN_OPEN), 0);
    if (withDevice) {
        ASSERT_GE(::inotify_add_watch(events, device.c_str(), IN_OPEN), 0);
    }

    ExpectedRun run;
    run.source("src").enterDirectory("src");
    const std::vector<std::string> names = listedNames(m_dir.path() / "src");
    for (const std::string& name : names) run.found("src/" + name);
    run.leaveDirectory("src");
    const bool specialFirst = names.front() != "a.dat" && names.front() != "b.dat";
    run.listed(specialFirst ? 3 : 2);
    if (specialFirst) run.first("src/" + names.front());
    run.first("src/a.dat").first("src/b.dat").report({}).finish();
    expectRun({"/s", "src"}, run);

    char buffer[4096];
    EXPECT_LT(::read(events, buffer, sizeof buffer), 0) << "a FIFO or a device was opened";
    ::close(events);
}

// Each level holds the next and two links to it: followed naively, 3^12 walks.
TEST_F(PosixWalkTest, GraphOfLinksEnds) {
    std::string level = "top";
    for (int depth = 0; depth < 12; ++depth) {
        m_dir.makeDir(level + "/x");
        link("x", level + "/a");
        link("x", level + "/b");
        level += "/x";
    }
    m_dir.writeFile(level + "/f.dat", "deepest");
    const ChildResult result = runProgram({"/s", "top"});
    ASSERT_TRUE(endedNormally(result));
    EXPECT_EQ(result.exitCode, 0);
    // The directory at depth d is walked at most once through a link and once per
    // walk of its parent, whatever order the entries come in: the deepest one at most
    // 13 times. Each time its file is listed, then printed again as a first file.
    int found = 0;
    for (const std::string& line : consoleLines(result.out)) found += line.ends_with("/f.dat");
    EXPECT_GE(found, 2);
    EXPECT_LE(found, 2 * 13);
}

// sysfs links every device from several places; as a user without privileges the
// walk once grew without bound there.
TEST_F(PosixWalkTest, SysfsAsAnUnprivilegedUserEnds) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to run as another user";
    if (!std::filesystem::exists("/sys/devices")) GTEST_SKIP() << "no /sys here";
    const ChildResult result = runChild(unprivilegedCommand({"/s", "sys"}, "/"));
    ASSERT_TRUE(endedNormally(result));
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(result.out.ends_with(std::string(text::kFinished))) << result.out.size();
}

// Paths below a few thousand levels outgrow what the system accepts; their
// listings fail like any other and the run still ends normally.
TEST_F(PosixWalkTest, TreeDeeperThanLongestPathEnds) {
    m_dir.writeFile("deep/top.dat", "top");
    const DeepTree tree(m_dir.path() / "deep", "d", 3000);
    ASSERT_EQ(tree.depth(), 3000);

    const ChildResult result = runProgram({"/s", "deep"});
    ASSERT_TRUE(endedNormally(result));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.out.ends_with(text::foundFiles(1) + std::string(text::kChecking) +
                                     "deep/top.dat\n" + std::string(text::kFinished)))
        << result.out.substr(0, 200);
}

// The walk keeps one open directory per level and nothing on the stack: 10,000 levels
// under a 1 MiB stack end with the pair at the bottom found, in little memory (a
// recursive walk died here, and held some 30 KiB per level).
TEST_F(PosixWalkTest, DeepTreeCostsNoStackAndLittleMemory) {
    constexpr int kDepth = 10000;
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) != 0 || files.rlim_max < kDepth + 100) {
        GTEST_SKIP() << "the open-file limit can't be raised to " << kDepth + 100;
    }
    m_dir.writeFile("deep/top", "the pair");
    DeepTree tree(m_dir.path() / "deep", "d", kDepth);
    ASSERT_EQ(tree.depth(), kDepth);
    ASSERT_TRUE(tree.writeAtBottom("bottom", "the pair"));

    // A sanitized build would otherwise keep what the walk frees, to catch late uses.
    const char* sanitizer = std::getenv("ASAN_OPTIONS");
    const std::string options = std::string("ASAN_OPTIONS=") +
                                (sanitizer != nullptr ? sanitizer : "") + ":quarantine_size_mb=0";
    // Measured by a small parent: a child of this test would count the test's pages.
    const ChildResult result = runChild(
        Command{"/usr/bin/env",
                {options, "/usr/bin/prlimit", "--stack=1048576", "--",
                 helperProgram("peak_memory").string(), programPath().string(), "/s", "deep"},
                m_dir.path()});
    ASSERT_TRUE(endedNormally(result));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.out.find("deep/top #### deep/d/d/d/"), std::string::npos);
    const std::string kPeak = "peak resident KiB: ";
    const std::size_t peak = result.err.rfind(kPeak);
    ASSERT_NE(peak, std::string::npos) << result.err;
    EXPECT_LT(std::stol(result.err.substr(peak + kPeak.size())), 100 * 1024);
}

// Below the depth the open-file limit allows, the run says on standard error that
// directories were passed over, and its status says so: the pairs may be incomplete.
// That status wins over a missing source's, which is named all the same.
TEST_F(PosixWalkTest, TooFewDescriptorsForTheDepthIsSaid) {
    DeepTree tree(m_dir.makeDir("deep"), "d", 200);
    ASSERT_TRUE(tree.writeAtBottom("bottom", "unseen"));
    const ChildResult result =
        runChild(Command{"/usr/bin/prlimit",
                         {"--nofile=64:64", "--", programPath().string(), "/s", "missing", "deep"},
                         m_dir.path()});
    ASSERT_TRUE(endedNormally(result));
    EXPECT_EQ(result.exitCode, 71);
    EXPECT_NE(result.err.find("for want of file handles"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("can't search \"missing\": No such file or directory"),
              std::string::npos)
        << result.err;
    EXPECT_TRUE(result.out.ends_with(text::foundFiles(0) + std::string(text::kChecking) +
                                     std::string(text::kFinished)));
}

// The listing holds files open for the comparison, but never at a directory's cost:
// with 1,024 descriptors, 176 of them may hold files of tree/top, and the walk of
// tree/deep then runs out of descriptors near level 840 unless they give way.
TEST_F(PosixWalkTest, HeldFilesGiveWayToADeepWalk) {
    const std::filesystem::path prlimit = "/usr/bin/prlimit";
    ASSERT_TRUE(std::filesystem::exists(prlimit)) << "util-linux's prlimit is needed";
    m_dir.writeFile("tree/top/f0", "the pair");
    for (int i = 1; i < 300; ++i) {
        m_dir.writeFile("tree/top/f" + std::to_string(i), std::string(100 + i, 'x'));
    }
    DeepTree tree(m_dir.makeDir("tree/deep"), "d", 900);
    ASSERT_EQ(tree.depth(), 900);
    ASSERT_TRUE(tree.writeAtBottom("bottom", "the pair"));

    const ChildResult result = runChild(
        Command{prlimit,
                {"--nofile=1024:1024", "--", programPath().string(), "/s", "tree/top", "tree/deep"},
                m_dir.path()});
    ASSERT_TRUE(endedNormally(result));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.out.find(text::foundFiles(301)), std::string::npos) << result.out.size();
    std::string bottom = "tree/deep";
    for (int level = 0; level < 900; ++level) bottom += "/d";
    bottom += "/bottom";
    EXPECT_NE(result.out.find("tree/top/f0 #### " + bottom + " are the same file\n"),
              std::string::npos);
}

}  // namespace
}  // namespace twinscout::e2e
