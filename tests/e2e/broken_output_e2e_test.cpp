// A run whose standard output is lost must not end as if all was well: a script
// would read "no duplicates". Whatever else the run would have ended with, the
// status is 74, and the trace's end line says so.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "broken_output.h"
#include "expected_run.h"
#include "messages.h"
#include "platform_facts.h"
#include "platform_text.h"
#include "program_test.h"
#include "trace_records.h"

namespace twinscout::e2e {

void PrintTo(BrokenOutput how, std::ostream* os) {
    switch (how) {
        case BrokenOutput::closed:
            *os << "closed";
            return;
        case BrokenOutput::everyStreamClosed:
            *os << "everyStreamClosed";
            return;
        case BrokenOutput::readOnly:
            *os << "readOnly";
            return;
        case BrokenOutput::full:
            *os << "full";
            return;
    }
}

namespace {

constexpr int kOutputError = 74;

class BrokenOutputTest : public ProgramTest, public ::testing::WithParamInterface<BrokenOutput> {
protected:
    ChildResult runBroken(const std::vector<std::string>& args) const {
        return runChildWithBrokenOutput(programCommand(args), GetParam());
    }
};

// With standard output closed at start, the trace file must not take its
// place: the log holds the records and nothing else. Lost output outweighs a
// missing source, which standard error still names.
TEST_P(BrokenOutputTest, WholeRunEndsWith74AndTheTraceSaysSo) {
    m_dir.writeFile("dup/one.txt", "same bytes\n");
    m_dir.writeFile("dup/two.txt", "same bytes\n");
    const std::vector<std::string> names = listedNames(m_dir.path() / "dup");
    ASSERT_EQ(names.size(), 2u);
    const std::string first = joinPath({"dup", names[0]});
    const std::string second = joinPath({"dup", names[1]});

    ExpectedRun run;
    run.sourceFails("missing", missingDirectoryError());
    run.flatSource("dup", {first, second}).listed(2);
    run.first(first).compared(first, second, true).first(second);
    run.report({{first, second}}).finish(kOutputError);

    const ChildResult result = runBroken({"/s", "missing", "dup", "/d"});
    ASSERT_TRUE(endedNormally(result));
    EXPECT_EQ(result.exitCode, kOutputError);
    EXPECT_EQ(result.err, GetParam() == BrokenOutput::everyStreamClosed ? "" : run.errors());
    EXPECT_EQ(maskTimestamps(readLog()), run.trace());
}

TEST_P(BrokenOutputTest, ParameterErrorAndEmptyRunEndWith74) {
    const ChildResult usage = runBroken({"/d", "/x"});
    ASSERT_TRUE(endedNormally(usage));
    EXPECT_EQ(usage.exitCode, kOutputError);
    EXPECT_EQ(maskTimestamps(readLog()), traceRecord(text::kRunStart) +
                                             traceRecord(text::kParameterError) +
                                             traceRecord(text::runEnd(kOutputError)));

    const ChildResult empty = runBroken({});
    ASSERT_TRUE(endedNormally(empty));
    EXPECT_EQ(empty.exitCode, kOutputError);
}

INSTANTIATE_TEST_SUITE_P(Faults, BrokenOutputTest, ::testing::ValuesIn(brokenOutputsHere()));

}  // namespace
}  // namespace twinscout::e2e
