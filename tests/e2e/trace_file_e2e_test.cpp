// What debug.log may be when a run with /d meets it: a file another run holds
// is left to that run, and a file with a second name elsewhere is never
// written. Either way the run itself goes on unchanged.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "expected_run.h"
#include "locked_file.h"
#include "messages.h"
#include "platform_text.h"
#include "program_test.h"

namespace twinscout::e2e {
namespace {

class TraceFileTest : public ProgramTest {};

// A run stopped while it holds the file keeps it for good. Each of this run's
// few hundred records finds it held; waiting the whole bound for every one of
// them would stretch the run to half a minute.
TEST_F(TraceFileTest, HeldFileIsLeftAloneAndTheRunEndsWithAllItsOutput) {
    const int count = 60;
    std::vector<std::string> bySize;
    for (int i = 0; i < count; ++i) {
        const std::string name = "f" + std::to_string(i) + ".dat";
        m_dir.writeFile("src/" + name, std::string(static_cast<std::size_t>(i + 1), 'x'));
        bySize.push_back(joinPath({"src", name}));
    }
    ExpectedRun run;
    run.source("src").enterDirectory("src");
    for (const std::string& name : listedNames(m_dir.path() / "src")) {
        run.found(joinPath({"src", name}));
    }
    run.leaveDirectory("src").listed(count);
    for (const std::string& path : bySize) run.first(path);
    run.report({}).finish();

    const std::string earlier = "Mon Dec 07 14:37:36 2026 :: held by another run\n";
    m_dir.writeFile("debug.log", earlier);
    LockedFile lock(logPath());
    ASSERT_TRUE(lock.held());
    const ChildResult result = runProgram({"/s", "src", "/d"});
    lock.release();

    ASSERT_TRUE(endedNormally(result));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, run.console());
    EXPECT_EQ(readLog(), earlier);
}

// A hard link made by someone else would carry the records into any file the
// user can write.
TEST_F(TraceFileTest, FileWithSecondNameIsNeverWritten) {
    const std::string kept = "a file of the user's\n";
    const auto target = m_dir.writeFile("elsewhere/kept.txt", kept);
    std::filesystem::create_hard_link(target, logPath());

    const ChildResult result = runProgram({"/d"});
    ASSERT_TRUE(endedNormally(result));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, consoleText(std::string(text::kStart) + std::string(text::kFinished)));
    EXPECT_EQ(readFileBytes(target), kept);
    EXPECT_EQ(readLog(), kept);
}

}  // namespace
}  // namespace twinscout::e2e
