// Names as Windows lists them, in 16-bit units, and the UTF-8 the program holds them
// in: every name, paired surrogates or not, must come back unit for unit.
#include "platform/wide_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(WideTextTest, NamesTakeTheirUtf8BytesAndComeBackExactly) {
    struct Case {
        std::u16string wide;
        std::string utf8;
    };
    const Case cases[] = {
        {u"", ""},
        {u"plain.txt", "plain.txt"},
        {u"caf\u00E9.txt", "caf\xC3\xA9.txt"},
        {u"Gy\u0151r", "Gy\xC5\x91r"},
        {u"\u65E5\u672C\\\u6771\u4EAC.txt",
         "\xE6\x97\xA5\xE6\x9C\xAC\\\xE6\x9D\xB1\xE4\xBA\xAC.txt"},
        {u"emoji\U0001F600.txt", "emoji\xF0\x9F\x98\x80.txt"},
        {u"\u007F\u0080\u07FF\u0800\uFFFF", "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF"},
        // Halves of no pair, which names on disk may hold: each takes three bytes.
        {std::u16string{u'a', char16_t(0xD83D), u'b'},
         "a\xED\xA0\xBD"
         "b"},
        {std::u16string{char16_t(0xDE00), char16_t(0xD83D)}, "\xED\xB8\x80\xED\xA0\xBD"},
        {std::u16string{u'x', char16_t(0xD83D)}, "x\xED\xA0\xBD"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(platform::toUtf8(std::u16string_view(c.wide)), c.utf8);
        EXPECT_EQ(platform::toWide<char16_t>(c.utf8), c.wide);
        const std::wstring wide(c.wide.begin(), c.wide.end());
        EXPECT_EQ(platform::toUtf8(std::wstring_view(wide)), c.utf8);
        EXPECT_EQ(platform::toWide<wchar_t>(c.utf8), wide);
    }
}

// Bytes no conversion made still reach the system as characters: nothing is dropped.
TEST(WideTextTest, BytesThatAreNoUtf8StandForThemselves) {
    EXPECT_EQ(platform::toWide<char16_t>("caf\xE9"), u"caf\u00E9");
    EXPECT_EQ(platform::toWide<char16_t>("\xC3"), u"\u00C3");            // cut short
    EXPECT_EQ(platform::toWide<char16_t>("\xC3(x"), u"\u00C3(x");        // bad trail
    EXPECT_EQ(platform::toWide<char16_t>("\xC0\xAF"), u"\u00C0\u00AF");  // overlong
    EXPECT_EQ(platform::toWide<char16_t>("\xE0\x80\xAF"), u"\u00E0\u0080\u00AF");
    EXPECT_EQ(platform::toWide<char16_t>("\xF4\x90\x80\x80"), u"\u00F4\u0090\u0080\u0080");
    EXPECT_EQ(platform::toWide<char16_t>("\xF0\x9F\x98"), u"\u00F0\u009F\u0098");
}

}  // namespace
