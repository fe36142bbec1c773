#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/command_line_walk.h"
#include "app/ts_command_line_info.h"
#include "messages.h"
#include "platform/system.h"

namespace {

struct Parsed {
    int status;
    int debug;
    StringList sources;
    StringList extensions;
    StringList exclusions;
    std::string console;
};

Parsed parse(std::vector<std::string> params) {
    std::vector<const char*> argv{"twinscout"};
    for (const std::string& param : params) argv.push_back(param.c_str());
    CTSCommandLineInfo info;
    testing::internal::CaptureStdout();
    walkCommandLine(static_cast<int>(argv.size()), argv.data(), info);
    return {info.m_status,     info.m_debug,      info.m_sources,
            info.m_extensions, info.m_exclusions, testing::internal::GetCapturedStdout()};
}

const std::string kUsage(twinscout::e2e::text::kUsage);

struct ListCase {
    std::vector<std::string> params;
    StringList sources;
    StringList extensions;
    StringList exclusions;
    int debug;  // also the status: each /d raises it by one
};

TEST(OptionsTest, ValuesGoToTheListOfTheLastFlag) {
    const ListCase cases[] = {
        {{}, {}, {}, {}, 0},
        {{"X", "Y", "/s", "A"}, {"A"}, {}, {}, 0},
        {{"/s", "A", "B", "/e", "txt", "/w", "tmp"}, {"A", "B"}, {"txt"}, {"tmp"}, 0},
        {{"/s", "A", "/e", "x", "/s", "B"}, {"A", "B"}, {"x"}, {}, 0},
        {{"/s", "A", "/d", "B"}, {"A"}, {}, {}, 1},
        {{"/S", "A", "-s", "B", "-source", "C"}, {"A", "B", "C"}, {}, {}, 0},
        {{"-sA", "B"}, {"B"}, {}, {}, 0},
        {{"/E", "x", "-W", "y", "-D"}, {}, {"x"}, {"y"}, 1},
        {{"/s", "", "A", "A"}, {"", "A", "A"}, {}, {}, 0},
        {{"/s", "*.txt", "a b"}, {"*.txt", "a b"}, {}, {}, 0},
    };
    for (const ListCase& c : cases) {
        const Parsed parsed = parse(c.params);
        SCOPED_TRACE(testing::PrintToString(c.params));
        EXPECT_EQ(parsed.status, c.debug);
        EXPECT_EQ(parsed.debug, c.debug);
        EXPECT_EQ(parsed.sources, c.sources);
        EXPECT_EQ(parsed.extensions, c.extensions);
        EXPECT_EQ(parsed.exclusions, c.exclusions);
        EXPECT_EQ(parsed.console, "");
    }
}

struct ErrorCase {
    std::vector<std::string> params;
    int debug;
};

TEST(OptionsTest, AnUnknownFlagPrintsTheUsageOnceAndIgnoresTheRest) {
    const ErrorCase cases[] = {
        {{"/x"}, 0},
        {{"/x", "/y"}, 0},
        {{"/x", "/s", "A"}, 0},
        {{"/d", "/x"}, 1},
        {{"/x", "/d"}, 0},
        {{"-"}, 0},
        {{"--s"}, 0},
        {{"/?"}, 0},
        {{"/h", "/h"}, 0},
        {{"/s", "A", "/x", "B"}, 0},
    };
    for (const ErrorCase& c : cases) {
        const Parsed parsed = parse(c.params);
        SCOPED_TRACE(testing::PrintToString(c.params));
        EXPECT_EQ(parsed.status, -1);
        EXPECT_EQ(parsed.debug, c.debug);
        EXPECT_EQ(parsed.console, kUsage);
        EXPECT_TRUE(parsed.extensions.empty());
        EXPECT_TRUE(parsed.exclusions.empty());
    }
}

// A lone "/" is a bad flag only where every parameter beginning with "/" is a flag.
TEST(OptionsTest, TheWalkTellsFlagsByThePlatformRule) {
    const Parsed parsed = parse({"/s", "/home/me", "/", "/d"});
    if (platform::isFlagParameter("/home/me")) {
        EXPECT_EQ(parsed.status, -1);
        EXPECT_EQ(parsed.console, kUsage);
        EXPECT_TRUE(parsed.sources.empty());
    } else {
        EXPECT_EQ(parsed.status, 1);
        EXPECT_EQ(parsed.console, "");
        EXPECT_EQ(parsed.sources, (StringList{"/home/me", "/"}));
    }
}

TEST(OptionsTest, ListsFilledBeforeABadFlagStayButCollectNothingAfter) {
    const Parsed parsed = parse({"/s", "A", "/x", "/s", "B"});
    EXPECT_EQ(parsed.sources, StringList{"A"});
}

TEST(OptionsTest, TheHundredAndTwentyEighthDebugFlagWrapsToAnError) {
    std::vector<std::string> params(127, "/d");
    Parsed parsed = parse(params);
    EXPECT_EQ(parsed.status, 127);
    EXPECT_EQ(parsed.debug, 1);

    params.push_back("/d");
    params.push_back("/s");
    params.push_back("A");
    parsed = parse(params);
    EXPECT_EQ(parsed.status, -128);
    EXPECT_EQ(parsed.console, "");
    EXPECT_TRUE(parsed.sources.empty());
}

TEST(OptionsTest, OnlyTheLastParameterIsMarkedLast) {
    struct Recorder : CCommandLineInfo {
        void ParseParam(const char* param, bool isFlag, bool isLast) override {
            seen.push_back(std::string(param) + (isFlag ? "F" : "V") + (isLast ? "L" : ""));
        }
        std::vector<std::string> seen;
    } recorder;
    const char* argv[] = {"twinscout", "/s", "a", "-dx", ""};
    walkCommandLine(5, argv, recorder);
    EXPECT_EQ(recorder.seen, (std::vector<std::string>{"sF", "aV", "dxF", "VL"}));
}

}  // namespace
