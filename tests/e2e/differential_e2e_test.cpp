// twinscout against the reference build, which compares every pair of files of
// one size directly: over random trees, the two must print the same bytes, end
// with the same status and leave the same trace, record for record. Each tree
// has its own seed, so a failure names a tree that can be made again.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "e2e_env.h"
#include "platform_facts.h"
#include "program_test.h"
#include "random_tree.h"
#include "trace_records.h"

namespace twinscout::e2e {
namespace {

struct Outcome {
    ChildResult result;
    bool logged = false;
    std::string log;  // masked
};

class ReferenceTest : public ProgramTest, public ::testing::WithParamInterface<int> {
protected:
    // One run in the test's directory; the trace it leaves is taken away with it,
    // so the next run starts without one.
    Outcome runFrom(const std::filesystem::path& binary, const std::vector<std::string>& args) {
        Outcome outcome;
        outcome.result = runChild(Command{binary, args, m_dir.path()});
        outcome.logged = logExists();
        outcome.log = maskTimestamps(readLog());
        std::filesystem::remove(logPath());
        return outcome;
    }
};

std::string commandLine(const std::vector<std::string>& args) {
    std::string line = "twinscout";
    for (const std::string& arg : args) line += " '" + arg + "'";
    return line;
}

TEST_P(ReferenceTest, SameOutputAsReferenceBuild) {
    const RandomTree tree =
        makeRandomTree(m_dir, 20261208u + static_cast<std::uint32_t>(GetParam()));
    SCOPED_TRACE(commandLine(tree.args) + "\n" + tree.description);

    const Outcome ours = runFrom(programPath(), tree.args);
    const Outcome reference = runFrom(oraclePath(), tree.args);
    ASSERT_TRUE(endedNormally(ours.result));
    ASSERT_TRUE(endedNormally(reference.result));

    // 66 where a source is missing or a file.
    EXPECT_TRUE(ours.result.exitCode == 0 || ours.result.exitCode == 66) << ours.result.exitCode;
    EXPECT_EQ(ours.result.exitCode, reference.result.exitCode);
    EXPECT_EQ(ours.result.out, reference.result.out);
    EXPECT_EQ(ours.result.err, reference.result.err);
    EXPECT_EQ(ours.logged, tree.traced);
    EXPECT_EQ(reference.logged, tree.traced);
    EXPECT_EQ(ours.log, reference.log);
}

INSTANTIATE_TEST_SUITE_P(RandomTrees, ReferenceTest, ::testing::Range(0, referenceTreeCount()),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "Tree" + std::to_string(info.param);
                         });

}  // namespace
}  // namespace twinscout::e2e
