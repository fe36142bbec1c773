// The listing phase as a user sees it: which files a run lists, in what order,
// how many it counts, and what the trace says about the walk. Sizes are kept
// distinct where only the listing matters, so the comparison adds no pairs.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "expected_run.h"
#include "messages.h"
#include "platform_facts.h"
#include "platform_text.h"
#include "program_test.h"
#include "trace_records.h"
#include "unopenable_file.h"

namespace twinscout::e2e {
namespace {

class WalkTest : public ExpectedRunTest {
protected:
    // The files of `dir` in the order the walk meets them, as the program spells them.
    std::vector<std::string> listedPaths(const std::string& dir) const {
        std::vector<std::string> paths;
        for (const std::string& name : listedNames(m_dir.path() / dir)) {
            paths.push_back(joinPath({dir, name}));
        }
        return paths;
    }
};

TEST_F(WalkTest, TwoSourcesListedInOrderAndCountedTogether) {
    m_dir.writeFile("one/a.dat", "aaa");
    m_dir.writeFile("one/b.dat", "b");
    m_dir.writeFile("two/c.dat", "cc");
    const std::vector<std::string> one = listedPaths("one");
    ASSERT_EQ(one.size(), 2u);
    const std::string a = joinPath({"one", "a.dat"});
    const std::string b = joinPath({"one", "b.dat"});
    const std::string c = joinPath({"two", "c.dat"});

    ExpectedRun run;
    run.source("one").enterDirectory("one").found(one[0]).found(one[1]).leaveDirectory("one");
    run.flatSource("two", {c}).listed(3);
    // Ascending size; every file has a size of its own, so nothing is compared.
    run.first(b).first(c).first(a).report({}).finish();
    expectRun({"/s", "one", "/s", "two"}, run);
}

// The second walk finds the same paths again: each is catalogued twice, and the
// two entries of one file are never compared with each other.
TEST_F(WalkTest, SameSourceTwiceListsAndCountsEveryFileTwice) {
    m_dir.writeFile("d/x.dat", "x");
    m_dir.writeFile("d/y.dat", "yy");
    const std::vector<std::string> files = listedPaths("d");
    ASSERT_EQ(files.size(), 2u);
    const std::string x = joinPath({"d", "x.dat"});
    const std::string y = joinPath({"d", "y.dat"});

    ExpectedRun run;
    for (int walk = 0; walk < 2; ++walk) {
        run.source("d").enterDirectory("d").found(files[0]).found(files[1]).leaveDirectory("d");
    }
    run.listed(4).first(x).first(x).first(y).first(y).report({}).finish();
    expectRun({"/s", "d", "/s", "d"}, run);
}

// Only the very first file of a run is catalogued without a size; its second
// sighting is an empty file like any other.
TEST_F(WalkTest, EmptyFileFoundFirstCataloguedOnlyOnce) {
    m_dir.writeFile("d/empty.dat", "");
    const std::string empty = joinPath({"d", "empty.dat"});

    ExpectedRun run;
    run.flatSource("d", {empty}).flatSource("d", {empty}).listed(1);
    run.first(empty).report({}).finish();
    expectRun({"/s", "d", "/s", "d"}, run);
}

TEST_F(WalkTest, EmptyFileFoundLaterIsListedButNotCatalogued) {
    m_dir.writeFile("e/empty.dat", "");
    m_dir.writeFile("f/x.dat", "xyz");
    m_dir.writeFile("g/empty.dat", "");
    const std::string empty = joinPath({"e", "empty.dat"});
    const std::string x = joinPath({"f", "x.dat"});
    const std::string laterEmpty = joinPath({"g", "empty.dat"});

    ExpectedRun emptyFirst;
    emptyFirst.flatSource("e", {empty}).flatSource("f", {x}).flatSource("g", {laterEmpty});
    emptyFirst.listed(2).first(empty).first(x).report({}).finish();
    expectRun({"/s", "e", "/s", "f", "/s", "g"}, emptyFirst);
    std::filesystem::remove(logPath());

    ExpectedRun emptyLater;
    emptyLater.flatSource("f", {x}).flatSource("e", {empty}).listed(1);
    emptyLater.first(x).report({}).finish();
    expectRun({"/s", "f", "/s", "e"}, emptyLater);
}

TEST_F(WalkTest, UnreadableFileAfterFirstIsListedButNotCatalogued) {
    m_dir.writeFile("a/x.dat", "xyz");
    m_dir.makeDir("b");
    const UnopenableFile held(m_dir.path() / "b" / "held.dat");
    const std::string x = joinPath({"a", "x.dat"});
    const std::string unreadable = joinPath({"b", "held.dat"});

    ExpectedRun run;
    run.flatSource("a", {x}).flatSource("b", {unreadable}).listed(1);
    run.first(x).report({}).finish();
    expectRun({"/s", "a", "/s", "b"}, run);
}

TEST_F(WalkTest, MissingSourceTracedWithPatternAndErrorCode) {
    m_dir.writeFile("d/x.dat", "xyz");
    const std::string x = joinPath({"d", "x.dat"});

    ExpectedRun run;
    run.source("missing").listingFails("missing", missingDirectoryError());
    run.flatSource("d", {x}).listed(1).first(x).report({}).finish();
    expectRun({"/s", "missing", "/s", "d"}, run);
}

TEST_F(WalkTest, EmptyDirectoryOnlyEnteredAndLeft) {
    m_dir.makeDir("empty");

    ExpectedRun run;
    run.flatSource("empty", {}).listed(0).report({}).finish();
    expectRun({"/s", "empty"}, run);
}

// The extension test reads the whole path, with case: a directory name can let
// a file in, and ".txt" is not ".TXT".
class ExtensionFilterTest : public WalkTest {
protected:
    void SetUp() override {
        m_dir.writeFile("p/x.txt.bak/inner.dat", "inner");
        m_dir.writeFile("p/plain.dat", "plain!");
        m_dir.writeFile("q/b.txt", "bb");
        m_dir.writeFile("q/c.TXT", "ccc");
    }

    std::vector<std::string> consoleFiles(const std::vector<std::string>& args) {
        const RunResult result = runProgram(args);
        EXPECT_TRUE(ranToEnd(result));
        EXPECT_EQ(result.exitCode, 0);
        const std::vector<std::string> lines = consoleLines(result.out);
        const auto count = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
            return line.ends_with(" found files!");
        });
        if (lines.size() < 2 || count == lines.end()) {
            ADD_FAILURE() << "no count line in " << result.out;
            return {};
        }
        return {lines.begin() + 2, count + 1};
    }
};

TEST_F(ExtensionFilterTest, WholePathMatchedWithCase) {
    EXPECT_EQ(consoleFiles({"/s", "p", "/s", "q", "/e", ".txt"}),
              (std::vector<std::string>{joinPath({"p", "x.txt.bak", "inner.dat"}),
                                        joinPath({"q", "b.txt"}), "2 found files!"}));
}

TEST_F(ExtensionFilterTest, UpperCaseTextTakesOnlyUpperCaseNames) {
    EXPECT_EQ(consoleFiles({"/s", "p", "/s", "q", "/e", ".TXT"}),
              (std::vector<std::string>{joinPath({"q", "c.TXT"}), "1 found files!"}));
}

TEST_F(ExtensionFilterTest, AnyOfSeveralTextsLetsAFileIn) {
    EXPECT_EQ(consoleFiles({"/s", "q", "/s", "p", "/e", ".TXT", "plain"}),
              (std::vector<std::string>{joinPath({"q", "c.TXT"}), joinPath({"p", "plain.dat"}),
                                        "2 found files!"}));
}

// Exclusions ignore case, match any part of a directory's path, and are tested
// on directories only.
class ExclusionTest : public WalkTest {
protected:
    void SetUp() override {
        m_dir.writeFile("src/temp/a.dat", "a");
        m_dir.writeFile("src/temporary/b.dat", "bb");
        m_dir.writeFile("src/keep/c.dat", "ccc");
    }

    // The run's trace must not show the walk entering any of `dirs`.
    void expectNotEntered(const std::vector<std::string>& dirs) const {
        const std::string log = readLog();
        for (const std::string& dir : dirs) {
            EXPECT_EQ(log.find(traceText(text::parseDirectoryIn(dir))), std::string::npos) << dir;
        }
    }
};

TEST_F(ExclusionTest, CapitalsExcludeDirectoryAndSiblingExtendingIt) {
    const std::string kept = joinPath({"src", "keep", "c.dat"});
    const RunResult result = runProgram({"/s", "src", "/w", "TEMP", "/d"});
    ASSERT_TRUE(ranToEnd(result));
    ExpectedRun run;
    run.found(kept).listed(1).first(kept).finish();
    EXPECT_EQ(result.out, run.console());
    expectNotEntered({joinPath({"src", "temp"}), joinPath({"src", "temporary"})});
    EXPECT_NE(readLog().find(traceText(text::parseDirectoryIn(joinPath({"src", "keep"})))),
              std::string::npos);
}

// A trailing separator on the source doubles the separator in every path below
// it; the exclusion, written with single separators, still applies.
TEST_F(ExclusionTest, DoubledSeparatorFoldedBeforeTest) {
    const std::string source = "src" + std::string(pathSeparator());
    const std::string kept = joinPath({source, "keep", "c.dat"});
    const RunResult result = runProgram({"/s", source, "/w", joinPath({"src", "temp"}), "/d"});
    ASSERT_TRUE(ranToEnd(result));
    ExpectedRun run;
    run.found(kept).listed(1).first(kept).finish();
    EXPECT_EQ(result.out, run.console());
    expectNotEntered({joinPath({source, "temp"}), joinPath({source, "temporary"})});
}

TEST_F(ExclusionTest, ExclusionNamingFileLeavesItIn) {
    const std::string kept = joinPath({"src", "keep", "c.dat"});
    const RunResult result = runProgram({"/s", joinPath({"src", "keep"}), "/w", "c.dat"});
    ASSERT_TRUE(ranToEnd(result));
    ExpectedRun run;
    run.found(kept).listed(1).first(kept).finish();
    EXPECT_EQ(result.out, run.console());
}

// An exclusion that matches the source itself stops the walk before its first record.
TEST_F(ExclusionTest, ExcludedSourceLeavesNoWalkRecord) {
    ExpectedRun run;
    run.source("src").listed(0).report({}).finish();
    expectRun({"/s", "src", "/w", "SRC"}, run);
}

}  // namespace
}  // namespace twinscout::e2e
