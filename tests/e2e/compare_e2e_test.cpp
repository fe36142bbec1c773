// The comparison phase and the report: which pairs a run prints, in what order,
// and the report records it leaves in the trace. Each file sits in a source of
// its own where the order of a directory listing would otherwise matter.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "expected_run.h"
#include "platform_text.h"
#include "program_test.h"
#include "trace_records.h"
#include "unopenable_file.h"

namespace twinscout::e2e {
namespace {

class CompareTest : public ExpectedRunTest {};

// Each file is compared with every later one of its size, so a group of three
// gives three pairs, and the second file opens a group of its own.
TEST_F(CompareTest, ThreeIdenticalFilesThreePairsTwoReports) {
    for (const char* dir : {"a", "b", "c"}) m_dir.writeFile(std::string(dir) + "/same.dat", "same");
    const std::string a = joinPath({"a", "same.dat"});
    const std::string b = joinPath({"b", "same.dat"});
    const std::string c = joinPath({"c", "same.dat"});

    ExpectedRun run;
    run.flatSource("a", {a}).flatSource("b", {b}).flatSource("c", {c}).listed(3);
    run.first(a).compared(a, b, true).compared(a, c, true);
    run.first(b).compared(b, c, true);
    run.first(c).report({{a, b, c}, {b, c}}).finish();
    expectRun({"/s", "a", "/s", "b", "/s", "c"}, run);
}

// Sizes 3, 5, 3, 5 in walk order: the catalogue brings each pair together and the
// scan of a first file stops at the first file of another size.
TEST_F(CompareTest, TwoGroupsReportedInOrderFound) {
    m_dir.writeFile("a/x.dat", "abc");
    m_dir.writeFile("b/y.dat", "hello");
    m_dir.writeFile("c/x.dat", "abc");
    m_dir.writeFile("d/y.dat", "hello");
    const std::string ax = joinPath({"a", "x.dat"});
    const std::string by = joinPath({"b", "y.dat"});
    const std::string cx = joinPath({"c", "x.dat"});
    const std::string dy = joinPath({"d", "y.dat"});

    ExpectedRun run;
    run.flatSource("a", {ax}).flatSource("b", {by}).flatSource("c", {cx}).flatSource("d", {dy});
    run.listed(4);
    run.first(ax).compared(ax, cx, true).first(cx);
    run.first(by).compared(by, dy, true).first(dy);
    run.report({{ax, cx}, {by, dy}}).finish();
    expectRun({"/s", "a", "/s", "b", "/s", "c", "/s", "d"}, run);
}

TEST_F(CompareTest, EqualSizesDifferentBytesNotReported) {
    m_dir.writeFile("a/x.dat", "first byte");
    m_dir.writeFile("b/x.dat", "First byte");
    m_dir.writeFile("c/x.dat", "first bytE");
    const std::string a = joinPath({"a", "x.dat"});
    const std::string b = joinPath({"b", "x.dat"});
    const std::string c = joinPath({"c", "x.dat"});

    ExpectedRun run;
    run.flatSource("a", {a}).flatSource("b", {b}).flatSource("c", {c}).listed(3);
    run.first(a).compared(a, b, false).compared(a, c, false);
    run.first(b).compared(b, c, false).first(c).report({}).finish();
    expectRun({"/s", "a", "/s", "b", "/s", "c"}, run);
}

// Paths reach the console and the report as data, never as a format.
TEST_F(CompareTest, PercentSignsInPathsWrittenUnchanged) {
    m_dir.writeFile("100%/x.dat", "same");
    m_dir.writeFile("%s%n%d/x.dat", "same");
    const std::string first = joinPath({"100%", "x.dat"});
    const std::string second = joinPath({"%s%n%d", "x.dat"});

    ExpectedRun run;
    run.flatSource("100%", {first}).flatSource("%s%n%d", {second}).listed(2);
    run.first(first).compared(first, second, true).first(second);
    run.report({{first, second}}).finish();
    expectRun({"/s", "100%", "/s", "%s%n%d"}, run);
}

// The whole contents decide, also past the first 256 MiB. Sparse files keep
// this cheap where the file system supports them.
TEST_F(CompareTest, FilesDifferingOnlyBeyond256MiBNotReported) {
    constexpr std::uintmax_t kLarge = (std::uintmax_t{1} << 28) + 4096;
    for (const char* dir : {"a", "b", "c", "d"}) m_dir.makeDir(dir);
    writeSparseFile(m_dir.path() / "a" / "big.dat", kLarge, 'x');
    writeSparseFile(m_dir.path() / "b" / "big.dat", kLarge, 'y');
    writeSparseFile(m_dir.path() / "c" / "big.dat", kLarge + 4096, 'z');
    writeSparseFile(m_dir.path() / "d" / "big.dat", kLarge + 4096, 'z');
    const std::string a = joinPath({"a", "big.dat"});
    const std::string b = joinPath({"b", "big.dat"});
    const std::string c = joinPath({"c", "big.dat"});
    const std::string d = joinPath({"d", "big.dat"});

    ExpectedRun run;
    run.flatSource("a", {a}).flatSource("b", {b}).flatSource("c", {c}).flatSource("d", {d});
    run.listed(4).first(a).compared(a, b, false).first(b);
    run.first(c).compared(c, d, true).first(d).report({{c, d}}).finish();
    expectRun({"/s", "a", "/s", "b", "/s", "c", "/s", "d"}, run);
}

// With a trailing separator the same directory is walked under a second
// spelling. A file met under both is still one file: never its own duplicate.
TEST_F(CompareTest, TrailingSeparatorSecondSpellingIsNotADuplicate) {
    m_dir.writeFile("dup/one.dat", "only");
    const std::string source = "dup" + std::string(pathSeparator());
    const std::string plain = joinPath({"dup", "one.dat"});
    const std::string doubled = joinPath({source, "one.dat"});

    ExpectedRun run;
    run.flatSource("dup", {plain}).flatSource(source, {doubled}).listed(2);
    run.first(plain).first(doubled).report({}).finish();
    expectRun({"/s", "dup", "/s", source}, run);
}

// Distinct files under the two spellings are still paired, in every combination
// but a file with itself.
TEST_F(CompareTest, TrailingSeparatorStillPairsDistinctFiles) {
    m_dir.writeFile("dup/one.dat", "same");
    m_dir.writeFile("dup/two.dat", "same");
    const std::string source = "dup" + std::string(pathSeparator());
    const std::vector<std::string> names = listedNames(m_dir.path() / "dup");
    ASSERT_EQ(names.size(), 2u);
    const std::string p = joinPath({"dup", names[0]});
    const std::string q = joinPath({"dup", names[1]});
    const std::string pp = joinPath({source, names[0]});
    const std::string qq = joinPath({source, names[1]});

    ExpectedRun run;
    run.flatSource("dup", {p, q}).flatSource(source, {pp, qq}).listed(4);
    run.first(p).compared(p, q, true).compared(p, qq, true);
    run.first(q).compared(q, pp, true);
    run.first(pp).compared(pp, qq, true).first(qq);
    run.report({{p, q, qq}, {q, pp}, {pp, qq}}).finish();
    expectRun({"/s", "dup", "/s", source}, run);
}

// The trace file is never taken as a first file, wherever it lies; any other
// path that holds the text "debug.log" neither. It is still found as a later file.
TEST_F(CompareTest, DebugLogNeverFirstButFoundAsLaterFile) {
    m_dir.writeFile("a/x.dat", "logged");
    m_dir.writeFile("b/debug.log", "logged");
    m_dir.writeFile("c/old.debug.log.txt", "logged");
    m_dir.writeFile("d/Debug.log", "logged");
    const std::string x = joinPath({"a", "x.dat"});
    const std::string log = joinPath({"b", "debug.log"});
    const std::string old = joinPath({"c", "old.debug.log.txt"});
    const std::string capital = joinPath({"d", "Debug.log"});

    // Found first, the logs compare with nothing at all.
    ExpectedRun logsFirst;
    logsFirst.flatSource("b", {log}).flatSource("c", {old}).flatSource("a", {x}).listed(3);
    logsFirst.first(x).report({}).finish();
    expectRun({"/s", "b", "/s", "c", "/s", "a"}, logsFirst);
    std::filesystem::remove(logPath());

    // The test is on the text, with case: "Debug.log" is an ordinary name.
    ExpectedRun logsLater;
    logsLater.flatSource("a", {x}).flatSource("b", {log}).flatSource("d", {capital});
    logsLater.flatSource("c", {old}).listed(4);
    logsLater.first(x).compared(x, log, true).compared(x, capital, true).compared(x, old, true);
    logsLater.first(capital).compared(capital, old, true);
    logsLater.report({{x, log, capital, old}, {capital, old}}).finish();
    expectRun({"/s", "a", "/s", "b", "/s", "d", "/s", "c"}, logsLater);
}

TEST_F(CompareTest, DebugLogNeverFirstWithoutTrace) {
    m_dir.writeFile("a/x.dat", "logged");
    m_dir.writeFile("b/debug.log", "logged");
    const std::string x = joinPath({"a", "x.dat"});
    const std::string log = joinPath({"b", "debug.log"});

    const RunResult result = runProgram({"/s", "b", "/s", "a", "/s", "b"});
    ASSERT_TRUE(ranToEnd(result));
    EXPECT_EQ(result.exitCode, 0);
    ExpectedRun run;
    run.found(log).found(x).found(log).listed(3).first(x).compared(x, log, true).finish();
    EXPECT_EQ(result.out, run.console());
    EXPECT_FALSE(logExists());
}

// The run's first file is catalogued unopened; when it can't be opened it is
// still listed among the first files, and compared with nothing.
TEST_F(CompareTest, UnreadableFirstFileListedAndPassedOver) {
    m_dir.makeDir("held");
    const UnopenableFile held(m_dir.path() / "held" / "locked.dat");
    m_dir.writeFile("a/x.dat", "held");
    m_dir.writeFile("b/x.dat", "held");
    const std::string locked = joinPath({"held", "locked.dat"});
    const std::string a = joinPath({"a", "x.dat"});
    const std::string b = joinPath({"b", "x.dat"});

    ExpectedRun run;
    run.flatSource("held", {locked}).flatSource("a", {a}).flatSource("b", {b}).listed(3);
    run.first(locked).first(a).compared(a, b, true).first(b);
    run.report({{a, b}}).finish();
    expectRun({"/s", "held", "/s", "a", "/s", "b"}, run);
}

}  // namespace
}  // namespace twinscout::e2e
