#include "trace/trace_log.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdarg>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system.h"
#include "trace/timestamp.h"
#include "trace/trace_record.h"

namespace {

// The log is a text file: on Windows each "\n" reaches it as CR LF.
std::string inFile(std::string text) {
    if (platform::kSeparator != '\\') return text;
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

// Runs each test in a fresh directory, since the log is "debug.log" in the current one.
class TraceLogTest : public testing::Test {
protected:
    void SetUp() override {
        m_home = std::filesystem::current_path();
        // Unique across processes too: test programs may run side by side.
        m_dir = std::filesystem::temp_directory_path() /
                ("twinscout-trace-" + std::to_string(std::random_device{}()) + "-" +
                 std::to_string(std::random_device{}()));
        std::filesystem::create_directories(m_dir);
        std::filesystem::current_path(m_dir);
        g_debugMode = 1;
    }
    void TearDown() override {
        setTraceWrite(nullptr);
        g_debugMode = 0;
        std::filesystem::current_path(m_home);
        std::filesystem::remove_all(m_dir);
    }

    static std::string log() {
        std::ifstream in("debug.log", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // The messages of the log, the timestamps checked and taken off.
    static std::string messages() {
        std::string text = log();
        std::string out;
        const std::regex stamp(
            "^[A-Z][a-z]{2} [A-Z][a-z]{2} [0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] [0-9]{4} "
            ":: ");
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find('\n', start);
            end = end == std::string::npos ? text.size() : end + 1;
            const std::string record = text.substr(start, end - start);
            EXPECT_TRUE(std::regex_search(record, stamp)) << record;
            out += record.substr(std::min<std::size_t>(28, record.size()));
            start = end;
        }
        return out;
    }

    std::filesystem::path m_home;
    std::filesystem::path m_dir;
};

TEST_F(TraceLogTest, OnlyLevelsWithinTheFiveLowBitsAreWritten) {
    traceLog(0, "zero\n");
    traceLog(16, "sixteen\n");
    traceLog(31, "thirty-one\n");
    traceLog(32, "thirty-two\n");
    traceLog(-1, "minus one\n");
    traceLog(0x21, "high bit\n");
    EXPECT_EQ(messages(), inFile("zero\nsixteen\nthirty-one\n"));
}

TEST_F(TraceLogTest, NothingIsCreatedWhileTracingIsOff) {
    g_debugMode = 0;
    traceLog(2, "off\n");
    EXPECT_FALSE(std::filesystem::exists("debug.log"));
    EXPECT_FALSE(traceEnabled());
}

TEST_F(TraceLogTest, RecordsAreAppendedWithFormattedArgumentsAndNothingAfter) {
    {
        std::ofstream earlier("debug.log", std::ios::binary);
        earlier << "earlier line\n";
    }
    traceLog(8, "%s - %d - 0x%x\n", "a%sb", 87, 0xABCu);
    traceLog(8, "no newline");
    traceLog(8, "%s", "caf\xE9\n");
    const std::string stamp = "[A-Z][a-z]{2} [A-Z][a-z]{2} [0-3][0-9] [0-9:]{8} [0-9]{4} :: ";
    const std::regex expected("earlier line\n" + stamp + inFile("a%sb - 87 - 0xabc\n") + stamp +
                              "no newline" + stamp + inFile("caf\xE9\n"));
    EXPECT_TRUE(std::regex_match(log(), expected)) << log();
}

std::vector<std::string> g_writes;

void watchedWrite(platform::TraceFile file, std::string_view record) {
    g_writes.emplace_back(record);
    platform::writeTraceFile(file, record);
}

// Written in pieces, a record could be cut by a signal between two of them: each
// record, however long, is one write holding it whole, line ends included.
TEST_F(TraceLogTest, EachRecordIsOneWriteHoldingItWhole) {
    std::string path;
    for (int i = 0; i < 60; ++i) path += "/" + std::string(200, static_cast<char>('a' + i % 26));
    g_writes.clear();
    setTraceWrite(watchedWrite);
    traceLog(8, "CFinder - parseDirectory - Fichier trouv\xE9 : %s.\n", path.c_str());
    traceLog(8, "two\nlines\n");
    setTraceWrite(nullptr);

    ASSERT_EQ(g_writes.size(), 2u);
    EXPECT_GT(g_writes[0].size(), 12000u);
    EXPECT_EQ(g_writes[0].substr(kTimestampLength),
              inFile(" :: CFinder - parseDirectory - Fichier trouv\xE9 : " + path + ".\n"));
    EXPECT_EQ(g_writes[1].substr(kTimestampLength), inFile(" :: two\nlines\n"));
    EXPECT_EQ(log(), g_writes[0] + g_writes[1]);
    traceLog(8, "after\n");
    EXPECT_EQ(g_writes.size(), 2u) << "the file's own write is back";
}

std::string recordOf(std::string_view timestamp, std::string_view lineEnd, const char* format,
                     ...) {
    va_list arguments;
    va_start(arguments, format);
    std::string record = traceRecord(timestamp, lineEnd, format, arguments);
    va_end(arguments);
    return record;
}

TEST(TraceRecordTest, LineEndsAreWrittenAsTheFileWantsThem) {
    EXPECT_EQ(recordOf("Mon Dec 07 14:37:36 2026", "\n", "%s\n%d\n", "a\nb", 7),
              "Mon Dec 07 14:37:36 2026 :: a\nb\n7\n");
    EXPECT_EQ(recordOf("Mon Dec 07 14:37:36 2026", "\r\n", "%s\n%d\n", "a\nb", 7),
              "Mon Dec 07 14:37:36 2026 :: a\r\nb\r\n7\r\n");
    EXPECT_EQ(recordOf("", "\r\n", "no end"), " :: no end");
    EXPECT_EQ(recordOf("", "\n", "%s", ""), " :: ");
    const std::string large(70000, 'x');
    EXPECT_EQ(recordOf("", "\n", "%s|%x", large.c_str(), 0xABCu), " :: " + large + "|abc");
}

TEST(TimestampTest, LayoutHasEnglishNamesAndAZeroPaddedDay) {
    std::tm calendar{};
    calendar.tm_year = 2026 - 1900;
    calendar.tm_mon = 11;
    calendar.tm_mday = 7;
    calendar.tm_wday = 1;
    calendar.tm_hour = 14;
    calendar.tm_min = 37;
    calendar.tm_sec = 36;
    char out[kTimestampLength + 1];
    formatTimestamp(calendar, out);
    EXPECT_STREQ(out, "Mon Dec 07 14:37:36 2026");

    calendar = {};
    calendar.tm_year = 1999 - 1900;
    calendar.tm_mday = 31;
    calendar.tm_hour = 23;
    calendar.tm_min = 59;
    calendar.tm_sec = 59;
    formatTimestamp(calendar, out);
    EXPECT_STREQ(out, "Sun Jan 31 23:59:59 1999");
}

TEST(TimestampTest, ExtremeFieldsAreClampedToTheLayout) {
    // INT_MAX as a year would overflow an int once 1900 is added.
    const struct {
        int every;
        const char* expected;
    } cases[] = {{INT_MAX, "Sat Dec 99 99:99:99 9999"}, {INT_MIN, "Sun Jan 00 00:00:00 0000"}};
    char out[kTimestampLength + 1];
    for (const auto& c : cases) {
        std::tm calendar{};
        calendar.tm_year = calendar.tm_mon = calendar.tm_mday = calendar.tm_wday = c.every;
        calendar.tm_hour = calendar.tm_min = calendar.tm_sec = c.every;
        formatTimestamp(calendar, out);
        EXPECT_STREQ(out, c.expected);
    }

    std::tm calendar{};
    calendar.tm_year = INT_MAX - 1900;
    formatTimestamp(calendar, out);
    EXPECT_STREQ(out + 20, "9999");
    calendar.tm_year = -1901;
    formatTimestamp(calendar, out);
    EXPECT_STREQ(out + 20, "0000");
}

}  // namespace
