// A tree too large for the memory the system grants: the run ends with a word on
// standard error and status 70, never with a crash, wherever the memory ran out.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "e2e_env.h"
#include "messages.h"
#include "program_test.h"

namespace twinscout::e2e {
namespace {

class PosixMemoryLimitTest : public ProgramTest {};

TEST_F(PosixMemoryLimitTest, RunningOutOfMemoryIsSaidWhereverItHappens) {
    if (std::getenv("ASAN_OPTIONS") != nullptr) {
        GTEST_SKIP() << "a sanitized build reserves more address space than any limit allows";
    }
    // Long names, so that the catalogue needs megabytes beyond what the program starts
    // with; pairs, so that the comparison allocates too.
    for (int i = 0; i < 6000; ++i) {
        m_dir.writeFile("src/" + std::to_string(i) + std::string(240, 'n'),
                        std::to_string(i % 3000));
    }
    const ChildResult plenty = runProgram({"/s", "src"});
    ASSERT_TRUE(endedNormally(plenty));
    ASSERT_EQ(plenty.exitCode, 0);

    int gaveUp = 0;
    bool complete = false;
    for (int kib = 2048; !complete && kib <= 256 * 1024; kib += 512) {
        SCOPED_TRACE(kib);
        const ChildResult run = runChild(Command{
            "/usr/bin/prlimit",
            {"--as=" + std::to_string(kib * 1024), "--", programPath().string(), "/s", "src"},
            m_dir.path()});
        // Too little to start at all: the loader, or the C++ runtime before the
        // program's first line, failed (the runtime can't even raise the error).
        if (run.out.empty() && run.exitCode != 70) continue;
        ASSERT_TRUE(endedNormally(run));
        if (run.exitCode == 0) {
            complete = true;
            EXPECT_TRUE(run.out == plenty.out);
            EXPECT_EQ(run.err, "");
        } else {
            ++gaveUp;
            ASSERT_EQ(run.exitCode, 70) << run.err;
            EXPECT_NE(run.err.find("out of memory"), std::string::npos) << run.err;
            // What came out is what the run without a limit printed, "Finished ..." aside.
            std::string printed = run.out;
            if (printed.ends_with(text::kFinished)) {
                printed.resize(printed.size() - text::kFinished.size());
            }
            EXPECT_TRUE(plenty.out.starts_with(printed)) << printed.substr(0, 300);
        }
    }
    EXPECT_TRUE(complete);
    EXPECT_GT(gaveUp, 0);
}

}  // namespace
}  // namespace twinscout::e2e
