// The form every path takes on its way to Windows. Wine enforces no limit on path
// lengths, so no run under it can show that long paths work: this table pins what
// the program hands the system instead, the "\\?\" form of the full path that
// GetFullPathNameW resolved, which Windows takes at any length and as it is.
#include "platform/extended_path.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ExtendedPathTest, EveryKindOfPathTakesTheFormWindowsTakesAtAnyLength) {
    struct Case {
        const char* what;
        const char* path;
        const char* full;  // what GetFullPathNameW gives for it
        const char* expected;
    };
    const Case cases[] = {
        {"relative", "a\\b.txt", "C:\\cwd\\a\\b.txt", "\\\\?\\C:\\cwd\\a\\b.txt"},
        {"listing pattern", "a\\*", "C:\\cwd\\a\\*", "\\\\?\\C:\\cwd\\a\\*"},
        {"drive-relative", "D:x", "D:\\cwd on d\\x", "\\\\?\\D:\\cwd on d\\x"},
        {"root of the current drive", "\\x", "C:\\x", "\\\\?\\C:\\x"},
        {"an empty source's pattern", "\\*", "C:\\*", "\\\\?\\C:\\*"},
        {"absolute", "C:\\a\\b", "C:\\a\\b", "\\\\?\\C:\\a\\b"},
        {"forward separators", "C:/a/b", "C:\\a\\b", "\\\\?\\C:\\a\\b"},
        {"network", "\\\\srv\\share\\x", "\\\\srv\\share\\x", "\\\\?\\UNC\\srv\\share\\x"},
        {"network, forward", "//srv/share/x", "\\\\srv\\share\\x", "\\\\?\\UNC\\srv\\share\\x"},
        {"relative to a network directory", "x", "\\\\srv\\share\\cwd\\x",
         "\\\\?\\UNC\\srv\\share\\cwd\\x"},
        {"trailing separator", "a\\", "C:\\cwd\\a\\", "\\\\?\\C:\\cwd\\a\\"},
        {"doubled separators", "a\\\\\\b\\\\*", "C:\\cwd\\a\\b\\*", "\\\\?\\C:\\cwd\\a\\b\\*"},
        {"dot and dot-dot", "a\\.\\b\\..\\c", "C:\\cwd\\a\\c", "\\\\?\\C:\\cwd\\a\\c"},
        {"above the root", "C:\\..\\..\\x", "C:\\x", "\\\\?\\C:\\x"},
        {"a directory's own identity", "C:\\a\\.", "C:\\a", "\\\\?\\C:\\a"},
        {"the root's", "C:\\.", "C:\\", "\\\\?\\C:\\"},
        // Given in this form, a path is the user's to spell: nothing is resolved.
        {"extended already", "\\\\?\\C:\\a\\..\\b", "\\\\?\\C:\\b", "\\\\?\\C:\\a\\..\\b"},
        {"a device path given", "\\\\.\\C:\\a", "\\\\.\\C:\\a", "\\\\.\\C:\\a"},
        // A name the system reads as a device never reaches it.
        {"device name", "d\\nul", "\\\\.\\nul", ""},
        {"device name with extension", "d\\COM1.txt", "\\\\.\\COM1", ""},
        {"resolution failed", "x", "", "x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(platform::extendedPath<char>(c.path, c.full), c.expected);
        const auto wide = [](const char* text) {
            return std::wstring(text, text + std::char_traits<char>::length(text));
        };
        EXPECT_EQ(platform::extendedPath<wchar_t>(wide(c.path), wide(c.full)), wide(c.expected));
    }
}

}  // namespace
