// The trace file as a user meets it: where it appears, what it keeps, how its
// records look, and that it is left alone when the trace is off.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "messages.h"
#include "platform_text.h"
#include "program_test.h"
#include "trace_records.h"

namespace twinscout::e2e {
namespace {

std::string framed() { return std::string(text::kStart) + std::string(text::kFinished); }

std::string usageThenFramed() { return std::string(text::kUsage) + framed(); }

std::string okTrace() { return traceRecord(text::kRunStart) + traceRecord(text::runEnd(0)); }

std::string errorTrace() {
    return traceRecord(text::kRunStart) + traceRecord(text::kParameterError) +
           traceRecord(text::runEnd(87));
}

class TraceLogTest : public ProgramTest {};

TEST_F(TraceLogTest, EveryRecordStartsWithTimestampAndSeparator) {
    const ChildResult result = runProgram({"/d", "/x"});
    ASSERT_TRUE(endedNormally(result));

    const std::vector<std::string> records = splitRecords(readLog());
    ASSERT_EQ(records.size(), 3u);
    for (const std::string& record : records) {
        ASSERT_GE(record.size(), kTimestampLength + kRecordSeparator.size()) << record;
        const std::string stamp = record.substr(0, kTimestampLength);
        EXPECT_TRUE(hasTimestampShape(stamp)) << '"' << stamp << '"';
        EXPECT_TRUE(weekdayMatchesDate(stamp)) << '"' << stamp << '"';
        EXPECT_EQ(record.substr(kTimestampLength, kRecordSeparator.size()), kRecordSeparator);
    }
}

TEST_F(TraceLogTest, MessagesAreWindows1252Bytes) {
    ASSERT_TRUE(endedNormally(runProgram({"/d", "/x"})));
    const std::string log = readLog();
    // e acute and e grave as single bytes, never as UTF-8 pairs.
    EXPECT_NE(log.find("Ex\xE9"
                       "cution"),
              std::string::npos);
    EXPECT_NE(log.find("param\xE8tres"), std::string::npos);
    EXPECT_EQ(log.find("\xC3\xA9"), std::string::npos);
    EXPECT_EQ(log.find("\xC3\xA8"), std::string::npos);
}

TEST_F(TraceLogTest, SecondRunAppendsAfterFirst) {
    ASSERT_TRUE(endedNormally(runProgram({"/d"})));
    const std::string first = readLog();
    ASSERT_EQ(maskTimestamps(first), okTrace());

    ASSERT_TRUE(endedNormally(runProgram({"/d", "/x"})));
    const std::string both = readLog();
    ASSERT_GE(both.size(), first.size());
    EXPECT_EQ(both.substr(0, first.size()), first);
    EXPECT_EQ(maskTimestamps(both.substr(first.size())), errorTrace());
}

TEST_F(TraceLogTest, ForeignContentKeptAndAppendedTo) {
    // Arbitrary earlier bytes, including a last line without its end.
    const std::string earlier = std::string("older content\r\n\0\xFF tail", 22);
    m_dir.writeFile("debug.log", earlier);

    ASSERT_TRUE(endedNormally(runProgram({"/d"})));
    const std::string log = readLog();
    ASSERT_GE(log.size(), earlier.size());
    EXPECT_EQ(log.substr(0, earlier.size()), earlier);
    // The first record runs on from the unfinished line; nothing is inserted.
    const std::string appended = log.substr(earlier.size());
    EXPECT_EQ(maskTimestamps(appended), okTrace());
}

class NoTraceWithoutDebugTest : public ProgramTest,
                                public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(NoTraceWithoutDebugTest, LogNotCreated) {
    ASSERT_TRUE(endedNormally(runProgram(GetParam())));
    EXPECT_FALSE(logExists());
    EXPECT_TRUE(std::filesystem::is_empty(m_dir.path()));
}

TEST_P(NoTraceWithoutDebugTest, ExistingLogUntouched) {
    const std::string earlier = "Mon Dec 07 14:37:36 2026 :: earlier record\n";
    m_dir.writeFile("debug.log", earlier);
    // Move the modification time well into the past and keep what the file
    // system actually stored, so a write by the run would show as a change.
    const auto past = std::filesystem::last_write_time(logPath()) - std::chrono::hours(24 * 400);
    std::filesystem::last_write_time(logPath(), past);
    const auto stored = std::filesystem::last_write_time(logPath());

    ASSERT_TRUE(endedNormally(runProgram(GetParam())));
    EXPECT_EQ(readLog(), earlier);
    EXPECT_EQ(std::filesystem::last_write_time(logPath()), stored);
}

INSTANTIATE_TEST_SUITE_P(Runs, NoTraceWithoutDebugTest,
                         ::testing::Values(std::vector<std::string>{},
                                           std::vector<std::string>{"/x"},
                                           std::vector<std::string>{"/x", "/d"},
                                           std::vector<std::string>{"/e", "txt", "/w", "t"},
                                           std::vector<std::string>{"/s", "."}));

// debug.log can't be opened when a directory of that name is in the way: the
// records are dropped and the run goes on as anywhere else.
struct BlockedLogCase {
    std::vector<std::string> args;
    std::string console;
    int exitCode;
};

void PrintTo(const BlockedLogCase& c, std::ostream* os) {
    for (const std::string& arg : c.args) *os << arg << ' ';
}

class BlockedTraceTest : public ProgramTest,
                         public ::testing::WithParamInterface<BlockedLogCase> {};

TEST_P(BlockedTraceTest, RunUnchanged) {
    const BlockedLogCase& c = GetParam();
    m_dir.makeDir("debug.log");

    const ChildResult result = runProgram(c.args);
    ASSERT_TRUE(endedNormally(result));
    EXPECT_EQ(result.out, consoleText(c.console));
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_TRUE(std::filesystem::is_directory(logPath()));
    EXPECT_TRUE(std::filesystem::is_empty(logPath()));
}

INSTANTIATE_TEST_SUITE_P(SpineOnly, BlockedTraceTest,
                         ::testing::Values(BlockedLogCase{{"/d"}, framed(), 0},
                                           BlockedLogCase{{"/d", "/x"}, usageThenFramed(), 87}));

}  // namespace
}  // namespace twinscout::e2e
