// A ring that the system sets up but then refuses to run, as sandboxes with a
// seccomp filter do: the run goes on with plain calls and prints what it prints
// with the ring.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "e2e_env.h"
#include "helper_program.h"
#include "program_test.h"
#include "trace_records.h"

namespace twinscout::e2e {
namespace {

class RefusedRingTest : public ProgramTest {
protected:
    // 2,000 files in 40 directories, 8 of each size: pairs of copies, near-copies
    // that differ in their last byte, and files large enough to be read in pieces.
    void makeTree() const {
        for (int i = 0; i < 2000; ++i) {
            const int size = 1 + (i % 250) * 70;
            std::string bytes(static_cast<std::size_t>(size), static_cast<char>('a' + i / 250 % 4));
            if (i % 7 == 0) bytes.back() = '!';
            m_dir.writeFile("t/d" + std::to_string(i % 40) + "/f" + std::to_string(i), bytes);
        }
    }

    struct Outcome {
        ChildResult result;
        std::string log;  // masked
    };

    // The program, or the program through `helper` and its arguments.
    Outcome runThrough(const std::vector<std::string>& helper) const {
        const std::vector<std::string> args = {"/s", "t", "/d"};
        Command command = programCommand(args);
        if (!helper.empty()) {
            std::vector<std::string> through(helper.begin() + 1, helper.end());
            through.push_back(command.program.string());
            through.insert(through.end(), args.begin(), args.end());
            command = Command{helper.front(), through, m_dir.path()};
        }
        Outcome outcome;
        outcome.result = runChild(command);
        outcome.log = maskTimestamps(readLog());
        std::filesystem::remove(logPath());
        return outcome;
    }
};

TEST_F(RefusedRingTest, RunIsTheSameWithPlainCalls) {
    makeTree();
    const Outcome normal = runThrough({});
    ASSERT_TRUE(endedNormally(normal.result));
    ASSERT_EQ(normal.result.exitCode, 0) << normal.result.err;
    ASSERT_NE(normal.result.out.find(" are the same file\n"), std::string::npos);

    const std::string helper = helperProgram("refuse_ring").string();
    for (const std::vector<std::string>& refusing :
         {std::vector<std::string>{helper}, std::vector<std::string>{helper, "--waits"}}) {
        SCOPED_TRACE(refusing.back());
        const Outcome refused = runThrough(refusing);
        if (refused.result.exitCode == 77) GTEST_SKIP() << refused.result.err;
        ASSERT_TRUE(endedNormally(refused.result)) << refused.result.err;
        EXPECT_EQ(refused.result.exitCode, 0) << refused.result.err;
        EXPECT_TRUE(refused.result.out == normal.result.out)
            << refused.result.out.size() << " bytes printed, not " << normal.result.out.size();
        EXPECT_TRUE(refused.log == normal.log)
            << refused.log.size() << " bytes of trace, not " << normal.log.size();
    }
}

}  // namespace
}  // namespace twinscout::e2e
