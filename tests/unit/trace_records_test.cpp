// The trace-record helpers decide what the end-to-end tests accept, so they are
// checked themselves: a lax shape test would let a wrong timestamp through.
#include "trace_records.h"

#include <gtest/gtest.h>

#include <string>

#include "platform_text.h"

namespace twinscout::e2e {
namespace {

TEST(TimestampShapeTest, AcceptsWellFormedStamps) {
    EXPECT_TRUE(hasTimestampShape("Mon Dec 07 14:37:36 2026"));
    EXPECT_TRUE(hasTimestampShape("Sun Jan 01 00:00:00 2023"));
    EXPECT_TRUE(hasTimestampShape("Sat Feb 29 23:59:59 2020"));
}

TEST(TimestampShapeTest, RejectsMalformedStamps) {
    EXPECT_FALSE(hasTimestampShape("Mon Dec  7 14:37:36 2026"));  // blank-padded day
    EXPECT_FALSE(hasTimestampShape("Mon Dec 7 14:37:36 2026"));
    EXPECT_FALSE(hasTimestampShape("mon Dec 07 14:37:36 2026"));
    EXPECT_FALSE(hasTimestampShape("Lun Dec 07 14:37:36 2026"));
    EXPECT_FALSE(
        hasTimestampShape("Mon D\xE9"
                          "c 07 14:37:36 2026"));
    EXPECT_FALSE(hasTimestampShape("Mon Dec 07 24:37:36 2026"));
    EXPECT_FALSE(hasTimestampShape("Mon Dec 07 14:60:36 2026"));
    EXPECT_FALSE(hasTimestampShape("Mon Dec 00 14:37:36 2026"));
    EXPECT_FALSE(hasTimestampShape("Mon Dec 07 14.37.36 2026"));
    EXPECT_FALSE(hasTimestampShape("Mon Dec 07 14:37:36 2026\n"));
    EXPECT_FALSE(hasTimestampShape("Mon Dec 07 14:37:36 26"));
    EXPECT_FALSE(hasTimestampShape(""));
}

TEST(TimestampShapeTest, WeekdayFollowsDate) {
    EXPECT_TRUE(weekdayMatchesDate("Mon Dec 07 14:37:36 2026"));
    EXPECT_TRUE(weekdayMatchesDate("Sat Jan 01 00:00:00 2000"));
    EXPECT_TRUE(weekdayMatchesDate("Thu Feb 29 12:00:00 2024"));
    EXPECT_FALSE(weekdayMatchesDate("Tue Dec 07 14:37:36 2026"));
}

TEST(TraceRecordsTest, SplitKeepsLineEnds) {
    const auto records = splitRecords("a\r\nb\nc");
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0], "a\r\n");
    EXPECT_EQ(records[1], "b\n");
    EXPECT_EQ(records[2], "c");
}

TEST(TraceRecordsTest, MasksOnlyWellShapedStamps) {
    const std::string log =
        "Mon Dec 07 14:37:36 2026 :: one\n"
        "Mon Dec  7 14:37:36 2026 :: two\n";
    EXPECT_EQ(maskTimestamps(log), std::string(kMaskedTimestamp) +
                                       " :: one\n"
                                       "Mon Dec  7 14:37:36 2026 :: two\n");
}

TEST(TraceRecordsTest, ExpectedRecordUsesPlatformLineEnd) {
    EXPECT_EQ(traceRecord("x\n"),
              std::string(kMaskedTimestamp) + " :: x" + std::string(traceNewline()));
}

}  // namespace
}  // namespace twinscout::e2e
