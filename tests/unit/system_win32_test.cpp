// Letter case as Windows folds it for file names, on every character of a UTF-8 name:
// /w exclusions and the same-entry test rest on it.
#include <gtest/gtest.h>

#include <string>

#include "platform/system.h"

namespace {

TEST(SystemTest, NamesAreLowerCasedOnEveryLetter) {
    struct Case {
        const char* name;
        const char* lower;
    };
    const Case cases[] = {
        {"", ""},
        {"C:\\TEMP\\Sub.TXT", "c:\\temp\\sub.txt"},
        {"CAF\xC3\x89", "caf\xC3\xA9"},                            // E acute
        {"\xC5\x90RS\xC3\x89G", "\xC5\x91rs\xC3\xA9g"},            // O double acute
        {"\xCE\x91\xCE\x92\xCE\x93", "\xCE\xB1\xCE\xB2\xCE\xB3"},  // Greek
        {"\xD0\x94\xD0\x9E\xD0\x9C", "\xD0\xB4\xD0\xBE\xD0\xBC"},  // Cyrillic
        {"\xE6\x97\xA5\xE6\x9C\xAC", "\xE6\x97\xA5\xE6\x9C\xAC"},  // no case
        {"EMOJI\xF0\x9F\x98\x80", "emoji\xF0\x9F\x98\x80"},
        {"HALF\xED\xA0\xBD", "half\xED\xA0\xBD"},  // half of a surrogate pair, kept
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text = c.name;
        platform::toLowerCase(text);
        EXPECT_EQ(text, c.lower);
    }
}

}  // namespace
