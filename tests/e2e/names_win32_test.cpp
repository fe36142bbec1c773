// Names outside the ANSI code page, as photo libraries and cloud folders hold them:
// every one is listed and compared, and each path comes out in the code page where
// it spells it exactly, in UTF-8 otherwise. The expectations are for code page 1252,
// which cmake/wine-run.sh sets through the locale. Strings are UTF-8 unless said.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "expected_run.h"
#include "platform_text.h"
#include "program_test.h"
#include "unopenable_file.h"

namespace twinscout::e2e {
namespace {

const std::string kCafe = "caf\xC3\xA9.txt";
const std::string kCafeAnsi = "caf\xE9.txt";  // the same name in code page 1252
const std::string kJapan = "\xE6\x97\xA5\xE6\x9C\xAC";
const std::string kTokyo = "\xE6\x9D\xB1\xE4\xBA\xAC.txt";
const std::string kEmoji = "emoji\xF0\x9F\x98\x80.txt";  // a surrogate pair in UTF-16
const std::string kGyor = "Gy\xC5\x91r.txt";             // 1252 has no o double acute

std::filesystem::path fromUtf8(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string toUtf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

class NamesTest : public ExpectedRunTest {
protected:
    void SetUp() override {
        if (GetACP() != 1252) {
            GTEST_SKIP() << "the ANSI code page is " << GetACP()
                         << ", these expectations are for 1252 (see cmake/wine-run.sh)";
        }
    }

    void write(const std::vector<std::string>& pieces, const std::string& bytes) const {
        std::filesystem::path path;
        for (const std::string& piece : pieces) path /= fromUtf8(piece);
        m_dir.writeFile(path, bytes);
    }

    // The entries of a directory below the test's, in the order the walk meets them.
    std::vector<std::string> entries(const std::string& dir) const {
        std::vector<std::string> names;
        for (const auto& entry :
             std::filesystem::directory_iterator(m_dir.path() / fromUtf8(dir))) {
            names.push_back(toUtf8(entry.path().filename()));
        }
        return names;
    }
};

// Four copies outside 1252 and two within it, one of them with a name 1252 spells
// only in its own bytes: all six are listed, catalogued and paired, and debug.log
// spells each path as standard output does.
TEST_F(NamesTest, EveryNameIsListedAndEveryPairReported) {
    const std::string twin = "the same bytes\n";
    for (const std::string& name : {kCafe, std::string("plain.txt"), kEmoji, kGyor}) {
        write({"t", name}, twin);
    }
    write({"t", kJapan, kTokyo}, twin);

    // What each file's path is, and how it is spelled.
    std::vector<std::string> spelled;
    const std::string japan = joinPath({"t", kJapan});
    ExpectedRun run;
    run.source("t").enterDirectory("t");
    for (const std::string& name : entries("t")) {
        if (name == kJapan) {
            spelled.push_back(joinPath({"t", kJapan, kTokyo}));
            run.enterDirectory(japan).found(spelled.back()).leaveDirectory(japan);
            continue;
        }
        spelled.push_back(joinPath({"t", name == kCafe ? kCafeAnsi : name}));
        run.found(spelled.back());
    }
    run.leaveDirectory("t").listed(5);
    ASSERT_EQ(spelled.size(), 5u);
    std::vector<std::vector<std::string>> groups;
    for (std::size_t first = 0; first < spelled.size(); ++first) {
        run.first(spelled[first]);
        for (std::size_t later = first + 1; later < spelled.size(); ++later) {
            run.compared(spelled[first], spelled[later], true);
        }
        if (first + 1 < spelled.size()) {
            groups.emplace_back(spelled.begin() + static_cast<std::ptrdiff_t>(first),
                                spelled.end());
        }
    }
    run.report(groups).finish();
    expectRun({"/s", "t"}, run);
}

// A source, an extension and exclusions in characters 1252 lacks reach the program
// whole: the exclusion "ΑΒΓ" keeps out the directory "αβγ", since the system folds the
// case of Greek as of any letter.
TEST_F(NamesTest, SourcesExtensionsAndExclusionsInAnyCharacters) {
    const std::string greekUpper = "\xCE\x91\xCE\x92\xCE\x93";
    const std::string greekLower = "\xCE\xB1\xCE\xB2\xCE\xB3";
    write({kJapan, kTokyo}, "tokyo");
    write({"t", greekLower, "x.txt"}, "greek");
    write({"t", kJapan, "y.txt"}, "japan");
    write({"t", kEmoji}, "smile");
    write({"t", "plain.txt"}, "plain!");

    const std::string tokyo = joinPath({kJapan, kTokyo});
    ExpectedRun source;
    source.flatSource(kJapan, {tokyo}).listed(1).first(tokyo).report({}).finish();
    expectRun({"/s", kJapan}, source);
    std::filesystem::remove(logPath());

    const std::string emoji = joinPath({"t", kEmoji});
    ExpectedRun filtered;
    filtered.source("t").enterDirectory("t");
    for (const std::string& name : entries("t")) {
        if (name == kEmoji) filtered.found(emoji);
    }
    filtered.leaveDirectory("t").listed(1).first(emoji).report({}).finish();
    expectRun({"/s", "t", "/e", "\xF0\x9F\x98\x80", "/w", kJapan, greekUpper}, filtered);
}

// A file another program holds without sharing, under a name 1252 lacks, is listed
// and never compared: its twin pairs with nothing, and the run goes on.
TEST_F(NamesTest, AFileHeldByAnotherProgramIsListedAndNeverCompared) {
    write({"t", "a-" + kTokyo}, "held");
    const UnopenableFile held(m_dir.path() / "t" / fromUtf8("b-" + kTokyo));

    const std::string a = joinPath({"t", "a-" + kTokyo});
    ExpectedRun run;
    run.source("t").enterDirectory("t");
    for (const std::string& name : entries("t")) run.found(joinPath({"t", name}));
    // Only an open tells that it can't be opened: it is catalogued and pairs with nothing.
    run.leaveDirectory("t").listed(2).first(a).first(joinPath({"t", "b-" + kTokyo}));
    run.report({}).finish();
    expectRun({"/s", "t"}, run);
}

// Names that the system's path rules can't spell: they drop a trailing dot or blank
// from a name before looking it up, so that "a." leads to "a" and "d.\x" into "d".
// Each entry is reached as it was listed and never stands in for the one its name
// leads to: "a" and "a." hold different bytes of one size and never pair, while
// copies under plain names still do.
TEST_F(NamesTest, NamesEndingInADotOrABlankAreReachedAsListed) {
    const std::wstring root = L"\\\\?\\" + std::filesystem::absolute(m_dir.path()).wstring();
    std::vector<std::wstring> made;  // removed by the same form, in reverse, at the end
    const auto make = [&](const std::wstring& relative, const char* bytes) {
        made.push_back(root + L"\\" + relative);
        if (bytes == nullptr) {
            EXPECT_TRUE(CreateDirectoryW(made.back().c_str(), nullptr)) << GetLastError();
            return;
        }
        HANDLE file = CreateFileW(made.back().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
        DWORD written = 0;
        EXPECT_TRUE(
            WriteFile(file, bytes, static_cast<DWORD>(std::strlen(bytes)), &written, nullptr));
        CloseHandle(file);
    };
    make(L"t", nullptr);
    make(L"t\\a", "12345");
    make(L"t\\a.", "54321");
    make(L"t\\b ", "pq");
    make(L"t\\c1", "pair!!");
    make(L"t\\c2", "pair!!");
    make(L"t\\d", nullptr);
    make(L"t\\d\\y", "123456789");
    make(L"t\\d.", nullptr);
    make(L"t\\d.\\x", "1234567");

    const ChildResult result = runProgram({"/s", "t"});
    for (auto entry = made.rbegin(); entry != made.rend(); ++entry) {
        if (!DeleteFileW(entry->c_str())) RemoveDirectoryW(entry->c_str());
    }
    ASSERT_TRUE(endedNormally(result));
    EXPECT_EQ(result.exitCode, 0);
    const std::vector<std::string> lines = consoleLines(result.out);
    ASSERT_GT(lines.size(), 9u) << result.out;
    EXPECT_EQ(lines[9], "7 found files!");
    std::vector<std::string> listed(lines.begin() + 2, lines.begin() + 9);
    std::vector<std::string> expected{joinPath({"t", "a"}),      joinPath({"t", "a."}),
                                      joinPath({"t", "b "}),     joinPath({"t", "c1"}),
                                      joinPath({"t", "c2"}),     joinPath({"t", "d", "y"}),
                                      joinPath({"t", "d.", "x"})};
    std::sort(listed.begin(), listed.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed, expected);
    std::vector<std::string> pairs;
    for (const std::string& line : lines) {
        if (line.find(" are the same file") != std::string::npos) pairs.push_back(line);
    }
    const std::string c1 = joinPath({"t", "c1"});
    const std::string c2 = joinPath({"t", "c2"});
    ASSERT_EQ(pairs.size(), 1u) << result.out;
    EXPECT_TRUE(pairs[0] == c1 + " #### " + c2 + " are the same file" ||
                pairs[0] == c2 + " #### " + c1 + " are the same file")
        << pairs[0];
}

// Wine enforces no length limit, so this shows only that paths far beyond MAX_PATH
// (260) go through the extended form and back intact; that Windows takes them is
// pinned in-process by the table of extended paths.
TEST_F(NamesTest, PathsBeyondMaxPathAreWalkedAndCompared) {
    std::string dir = "deep";
    for (int level = 0; level < 12; ++level) dir = joinPath({dir, std::string(24, 'a' + level)});
    std::vector<std::string> pieces{"deep"};
    for (int level = 0; level < 12; ++level) pieces.push_back(std::string(24, 'a' + level));
    pieces.push_back(kTokyo);
    write(pieces, "far down");
    pieces.back() = kCafe;
    write(pieces, "far down");
    const std::string tokyo = joinPath({dir, kTokyo});
    ASSERT_GT((m_dir.path() / fromUtf8(tokyo)).wstring().size(), 300u);

    const ChildResult result = runProgram({"/s", "deep"});
    ASSERT_TRUE(endedNormally(result));
    EXPECT_EQ(result.exitCode, 0);
    const std::string cafe = joinPath({dir, kCafeAnsi});
    const std::vector<std::string> lines = consoleLines(result.out);
    ASSERT_EQ(lines.size(), 10u) << result.out;
    EXPECT_EQ(lines[4], "2 found files!");
    const bool tokyoFirst = lines[2] == tokyo;
    const std::string& first = tokyoFirst ? tokyo : cafe;
    const std::string& second = tokyoFirst ? cafe : tokyo;
    EXPECT_EQ(lines[3], second);
    EXPECT_EQ(lines[7], first + " #### " + second + " are the same file");
}

}  // namespace
}  // namespace twinscout::e2e
