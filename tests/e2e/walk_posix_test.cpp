// The walk over what only POSIX trees hold here: symbolic links, which the walk
// follows like the entries they lead to, FIFOs, and trees deeper than any path.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "deep_tree.h"
#include "expected_run.h"
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

// A link back to a directory that is being walked is left at its one record, at
// the place where the walk meets it, and the walk goes on with the next source.
TEST_F(PosixWalkTest, LinkToAncestorEndsWithOneLoopRecord) {
    m_dir.makeDir("src/d/e");
    link("../..", "src/d/e/back");
    m_dir.writeFile("other/f.dat", "f");
    const std::string f = "other/f.dat";

    ExpectedRun run;
    run.source("src").enterDirectory("src").enterDirectory("src/d").enterDirectory("src/d/e");
    run.loopSkipped("src/d/e/back");
    run.leaveDirectory("src/d/e").leaveDirectory("src/d").leaveDirectory("src");
    run.flatSource("other", {f}).listed(1).first(f).report({}).finish();
    expectRun({"/s", "src", "/s", "other"}, run);
}

// Two links to the directory itself would double the walk at every level.
TEST_F(PosixWalkTest, TwoLinksToSameDirectoryEachSkippedOnce) {
    m_dir.writeFile("src/f.dat", "f");
    link(".", "src/self");
    link("../src", "src/again");

    ExpectedRun run;
    run.source("src").enterDirectory("src");
    for (const std::string& name : listedNames(m_dir.path() / "src")) {
        if (name == "f.dat") {
            run.found("src/f.dat");
        } else {
            run.loopSkipped("src/" + name);
        }
    }
    run.leaveDirectory("src").listed(1).first("src/f.dat").report({}).finish();
    expectRun({"/s", "src"}, run);
}

TEST_F(PosixWalkTest, LinkToDirectoryElsewhereIsWalked) {
    m_dir.writeFile("elsewhere/y.dat", "y");
    m_dir.makeDir("src");
    link("../elsewhere", "src/far");

    ExpectedRun run;
    run.source("src").enterDirectory("src").enterDirectory("src/far").found("src/far/y.dat");
    run.leaveDirectory("src/far").leaveDirectory("src");
    run.listed(1).first("src/far/y.dat").report({}).finish();
    expectRun({"/s", "src"}, run);
}

// Reading a FIFO would wait for a writer that never comes. It is listed like
// any file and kept out of the catalogue, unless it is the run's first file.
TEST_F(PosixWalkTest, FifoInTreeListedWithoutBlocking) {
    m_dir.writeFile("src/a.dat", "aaa");
    m_dir.writeFile("src/b.dat", "bbbbb");
    ASSERT_EQ(::mkfifo((m_dir.path() / "src/pipe").c_str(), 0644), 0);

    ExpectedRun run;
    run.source("src").enterDirectory("src");
    const std::vector<std::string> names = listedNames(m_dir.path() / "src");
    ASSERT_EQ(names.size(), 3u);
    for (const std::string& name : names) run.found("src/" + name);
    run.leaveDirectory("src");
    const bool fifoFirst = names.front() == "pipe";
    run.listed(fifoFirst ? 3 : 2);
    if (fifoFirst) run.first("src/pipe");
    run.first("src/a.dat").first("src/b.dat").report({}).finish();
    expectRun({"/s", "src"}, run);
}

// Paths below a few thousand levels outgrow what the system accepts; their
// listings fail like any other and the run still ends normally.
TEST_F(PosixWalkTest, TreeDeeperThanLongestPathEnds) {
    m_dir.writeFile("deep/top.dat", "top");
    const DeepTree tree(m_dir.path() / "deep", "d", 3000);
    ASSERT_EQ(tree.depth(), 3000);

    const RunResult result = runProgram({"/s", "deep"});
    ASSERT_TRUE(ranToEnd(result));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.out.ends_with(text::foundFiles(1) + std::string(text::kChecking) +
                                     "deep/top.dat\n" + std::string(text::kFinished)))
        << result.out.substr(0, 200);
}

}  // namespace
}  // namespace twinscout::e2e
