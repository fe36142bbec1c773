#include "platform/flag_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/system.h"

namespace {

struct FlagCase {
    const char* param;
    bool windows;
    bool posix;
};

// Both rules on every build: the POSIX one differs only for "/" and for longer
// parameters beginning with "/", which are absolute paths there.
TEST(FlagRulesTest, WindowsAndPosixRules) {
    const FlagCase cases[] = {
        {"/s", true, true},       {"/S", true, true},      {"/d", true, true},
        {"/x", true, true},       {"/?", true, true},      {"//", true, true},
        {"-s", true, true},       {"-source", true, true}, {"-", true, true},
        {"--s", true, true},      {"-/home", true, true},  {"/", true, false},
        {"/source", true, false}, {"/sA", true, false},    {"/home/me", true, false},
        {"/a/", true, false},     {"/ ", true, true},      {"s", false, false},
        {"", false, false},       {"a/b", false, false},   {"C:\\x", false, false},
        {"\\s", false, false},    {" /s", false, false},   {".", false, false},
    };
    for (const FlagCase& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.param + "\"");
        EXPECT_EQ(platform::isFlagByWindowsRule(c.param), c.windows);
        EXPECT_EQ(platform::isFlagByPosixRule(c.param), c.posix);
    }
}

// The platform's rule is one of the two, and it is the one that tells an absolute
// POSIX path from a flag exactly where the two rules disagree.
TEST(FlagRulesTest, PlatformPicksOneRule) {
    const char* params[] = {"/", "/source", "/s", "-s", "s", ""};
    const bool posix = !platform::isFlagParameter("/source");
    for (const char* param : params) {
        SCOPED_TRACE(param);
        EXPECT_EQ(platform::isFlagParameter(param), posix ? platform::isFlagByPosixRule(param)
                                                          : platform::isFlagByWindowsRule(param));
    }
    EXPECT_EQ(posix, platform::kSeparator == '/');
}

}  // namespace
