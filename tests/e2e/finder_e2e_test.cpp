// Whole runs that reach the finder, byte for byte through the program's own output,
// and what only a real command line or two processes at once can show.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "expected_run.h"
#include "messages.h"
#include "platform_facts.h"
#include "platform_text.h"
#include "program_test.h"
#include "trace_records.h"

namespace twinscout::e2e {
namespace {

std::string emptyListing() {
    return std::string(text::kStart) + std::string(text::kListing) + text::foundFiles(0) +
           std::string(text::kChecking) + std::string(text::kFinished);
}

class FinderRunTest : public ExpectedRunTest {
protected:
    // Runs without /d over `source`, which holds one file, spelt `path` by the program.
    void expectOneFileListed(const std::string& source, const std::string& path) {
        const ChildResult result = runProgram({"/s", source});
        ASSERT_TRUE(endedNormally(result));
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.out, consoleText(std::string(text::kStart) + std::string(text::kListing) +
                                          text::line(path) + text::foundFiles(1) +
                                          std::string(text::kChecking) + text::line(path) +
                                          std::string(text::kFinished)));
    }
};

// Nothing between the test and the program expands wildcards, and the program
// must not either: the source is the text "*.txt", not the file a.txt, and no
// directory has that name.
TEST_F(FinderRunTest, WildcardSourceReachesProgramUnexpanded) {
    m_dir.writeFile("a.txt", "alpha");

    const ChildResult result = runProgram({"/s", "*.txt", "/d"});
    ASSERT_TRUE(endedNormally(result));
    EXPECT_EQ(result.exitCode, 66);
    EXPECT_TRUE(result.err.starts_with("twinscout: can't search \"*.txt\": ")) << result.err;
    EXPECT_EQ(result.out, consoleText(emptyListing()));

    const std::vector<std::string> records = splitRecords(maskTimestamps(readLog()));
    EXPECT_NE(std::find(records.begin(), records.end(), traceRecord(text::walkingSource("*.txt"))),
              records.end());
    EXPECT_EQ(std::find(records.begin(), records.end(), traceRecord(text::walkingSource("a.txt"))),
              records.end());
}

// A source with a blank must reach the program as one parameter.
TEST_F(FinderRunTest, SourceWithBlankIsOneParameter) {
    m_dir.writeFile("my dir/x.dat", "abc");
    expectOneFileListed("my dir", joinPath({"my dir", "x.dat"}));
}

// Paths are built from the source text as typed: a trailing separator stays,
// and the child paths carry it twice. On Windows this also needs the trailing
// backslash of a quoted parameter to survive the command line.
TEST_F(FinderRunTest, TrailingSeparatorKeptInPaths) {
    m_dir.writeFile("my dir/x.dat", "abc");
    const std::string source = "my dir" + std::string(pathSeparator());
    expectOneFileListed(source, source + std::string(pathSeparator()) + "x.dat");
}

TEST_F(FinderRunTest, TwoIdenticalFilesWholeRun) {
    m_dir.writeFile("dup/one.txt", "same bytes\n");
    m_dir.writeFile("dup/two.txt", "same bytes\n");
    std::string first = joinPath({"dup", "one.txt"});
    std::string second = joinPath({"dup", "two.txt"});

    const ChildResult result = runProgram({"/s", "dup", "/d"});
    ASSERT_TRUE(endedNormally(result));
    EXPECT_EQ(result.exitCode, 0);

    // The walk lists a directory in the file system's order; equal sizes keep
    // that order in the catalogue, so the rest follows from the first line.
    const std::vector<std::string> lines = consoleLines(result.out);
    ASSERT_GE(lines.size(), 3u) << result.out;
    if (lines[2] == second) std::swap(first, second);

    EXPECT_EQ(result.out, consoleText(std::string(text::kStart) + std::string(text::kListing) +
                                      text::line(first) + text::line(second) + text::foundFiles(2) +
                                      std::string(text::kChecking) + text::line(first) +
                                      text::sameFile(first, second) + text::line(second) +
                                      std::string(text::kFinished)));

    const std::vector<std::string> messages = {
        std::string(text::kRunStart),
        std::string(text::kConstructorIn),
        std::string(text::kConstructorOut),
        std::string(text::kFindIn),
        text::walkingSource("dup"),
        text::parseDirectoryIn("dup"),
        std::string(text::kAddNewFileIn),
        std::string(text::kAddNewFileOut),
        text::fileFound(first),
        std::string(text::kAddNewFileIn),
        std::string(text::kAddNewFileOut),
        text::fileFound(second),
        text::parseDirectoryOut("dup"),
        std::string(text::kFindOut),
        std::string(text::kCompareFilesIn),
        text::analysing(first),
        std::string(text::kCompareContentIn),
        text::compareContentOut(1),
        text::sameFileTrace(first, second),
        text::analysing(second),
        std::string(text::kPrintResultsIn),
        "Le fichier " + first + " est en doublon avec - " + second + " -\n",
        std::string(text::kPrintResultsOut),
        std::string(text::kCompareFilesOut),
        std::string(text::kDestructorIn),
        std::string(text::kDestructorOut),
        text::runEnd(0),
    };
    std::string expected;
    for (const std::string& message : messages) expected += traceRecord(message);
    EXPECT_EQ(maskTimestamps(readLog()), expected);
}

// Every kind of line and record through the program's own output: a source that can't
// be listed, with the system's code in the trace and its words on standard error (and
// status 66), paths with percent signs, a subdirectory, an empty
// directory, a group of three and a file of their size that differs.
TEST_F(FinderRunTest, EveryKindOfRecordWholeRun) {
    m_dir.writeFile("100%/x.dat", "same");
    m_dir.writeFile("%s%n%d/x.dat", "same");
    m_dir.writeFile("a/sub/x.dat", "same");
    m_dir.writeFile("b/y.dat", "samf");
    m_dir.makeDir("empty");
    const std::string p = joinPath({"100%", "x.dat"});
    const std::string q = joinPath({"%s%n%d", "x.dat"});
    const std::string sub = joinPath({"a", "sub"});
    const std::string r = joinPath({"a", "sub", "x.dat"});
    const std::string d = joinPath({"b", "y.dat"});

    ExpectedRun run;
    run.sourceFails("missing", missingDirectoryError());
    run.flatSource("100%", {p}).flatSource("%s%n%d", {q});
    run.source("a").enterDirectory("a").enterDirectory(sub).found(r);
    run.leaveDirectory(sub).leaveDirectory("a");
    run.flatSource("b", {d}).flatSource("empty", {}).listed(4);
    run.first(p).compared(p, q, true).compared(p, r, true).compared(p, d, false);
    run.first(q).compared(q, r, true).compared(q, d, false);
    run.first(r).compared(r, d, false).first(d);
    run.report({{p, q, r}, {q, r}}).finish(66);
    expectRun({"/s", "missing", "100%", "%s%n%d", "a", "b", "empty"}, run);
}

// Two runs started together in one directory share one debug.log. Each record
// is opened, written and closed on its own, so the records interleave; none
// may be lost or torn. Each run walks a few hundred files of its own so that
// both write many records while the other is writing.
class ConcurrentTraceTest : public ProgramTest {
protected:
    // Files of distinct sizes, so the comparison phase stays short.
    void makeTree(const std::string& root, int files) const {
        for (int i = 0; i < files; ++i) {
            const std::string dir = root + "/d" + std::to_string(i % 3);
            const std::string name = "f" + std::to_string(i) + ".dat";
            m_dir.writeFile(dir + "/" + name, std::string(static_cast<std::size_t>(i + 1), 'x'));
        }
    }

    // The masked records of one run made alone, with the log cleared after it.
    std::vector<std::string> soloRecords(const std::vector<std::string>& args,
                                         std::string& console) {
        const ChildResult result = runProgram(args);
        EXPECT_TRUE(endedNormally(result));
        EXPECT_EQ(result.exitCode, 0);
        console = result.out;
        std::vector<std::string> records = splitRecords(maskTimestamps(readLog()));
        std::filesystem::remove(logPath());
        return records;
    }
};

TEST_F(ConcurrentTraceTest, TwoRunsLoseNoRecord) {
    makeTree("a", 300);
    makeTree("b", 300);
    const std::vector<std::string> argsA = {"/s", "a", "/d"};
    const std::vector<std::string> argsB = {"/s", "b", "/d"};

    std::string consoleA;
    std::string consoleB;
    const std::vector<std::string> aloneA = soloRecords(argsA, consoleA);
    const std::vector<std::string> aloneB = soloRecords(argsB, consoleB);
    ASSERT_GT(aloneA.size(), 300u);
    ASSERT_GT(aloneB.size(), 300u);

    const std::vector<ChildResult> results =
        runChildrenTogether({programCommand(argsA), programCommand(argsB)});
    ASSERT_TRUE(endedNormally(results[0]));
    ASSERT_TRUE(endedNormally(results[1]));
    EXPECT_EQ(results[0].exitCode, 0);
    EXPECT_EQ(results[1].exitCode, 0);
    EXPECT_EQ(results[0].out, consoleA);
    EXPECT_EQ(results[1].out, consoleB);

    const std::string log = readLog();
    std::vector<std::string> together = splitRecords(log);
    for (const std::string& record : together) {
        ASSERT_GE(record.size(), kTimestampLength) << record;
        ASSERT_TRUE(hasTimestampShape(record.substr(0, kTimestampLength))) << record;
        ASSERT_TRUE(record.ends_with(traceNewline())) << record;
    }
    EXPECT_EQ(together.size(), aloneA.size() + aloneB.size());

    // Whole records only: the records together are those of the two runs alone.
    together = splitRecords(maskTimestamps(log));
    std::vector<std::string> expected = aloneA;
    expected.insert(expected.end(), aloneB.begin(), aloneB.end());
    std::sort(together.begin(), together.end());
    std::sort(expected.begin(), expected.end());
    std::vector<std::string> missing;
    std::vector<std::string> extra;
    std::set_difference(expected.begin(), expected.end(), together.begin(), together.end(),
                        std::back_inserter(missing));
    std::set_difference(together.begin(), together.end(), expected.begin(), expected.end(),
                        std::back_inserter(extra));
    EXPECT_TRUE(missing.empty()) << missing.size() << " missing, the first: " << missing.front();
    EXPECT_TRUE(extra.empty()) << extra.size() << " unexpected, the first: " << extra.front();
}

}  // namespace
}  // namespace twinscout::e2e
