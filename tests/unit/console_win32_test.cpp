// How names are spelled on standard output and in debug.log: in the ANSI code page
// where it holds every character exactly, in UTF-8 otherwise, never with characters
// lost or replaced by look-alikes. The expectations are for code page 1252, which
// cmake/wine-run.sh sets through the locale.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/console.h"

namespace {

TEST(ConsoleTest, NamesTheCodePageSpellsGoOutInItOthersInUtf8) {
    if (GetACP() != 1252) {
        GTEST_SKIP() << "the ANSI code page is " << GetACP()
                     << ", these expectations are for 1252 (see cmake/wine-run.sh)";
    }
    struct Case {
        const char* utf8;
        const char* spelled;
    };
    const Case cases[] = {
        {"", ""},
        {"C:\\plain\\a.txt", "C:\\plain\\a.txt"},
        {"t\\caf\xC3\xA9.txt", "t\\caf\xE9.txt"},
        {"\xE2\x82\xAC \xC5\x92uvre \xC3\xBF", "\x80 \x8Cuvre \xFF"},  // euro sign, OE, y diaeresis
        // One character the code page lacks takes the whole name to UTF-8.
        {"caf\xC3\xA9\\Gy\xC5\x91r.txt", "caf\xC3\xA9\\Gy\xC5\x91r.txt"},
        {"\xC5\x91", "\xC5\x91"},              // best fit would give "o"
        {"\xEF\xAC\x81le", "\xEF\xAC\x81le"},  // the ligature fi
        {"\xE6\x97\xA5\xE6\x9C\xAC", "\xE6\x97\xA5\xE6\x9C\xAC"},
        {"emoji\xF0\x9F\x98\x80.txt", "emoji\xF0\x9F\x98\x80.txt"},
        {"half\xED\xA0\xBD", "half\xED\xA0\xBD"},  // half of a surrogate pair
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(platform::spelledForOutput(c.utf8), c.spelled);
    }
}

}  // namespace
