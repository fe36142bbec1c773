// The comparison phase and the report record for record: which pairs the finder
// prints, in what order, the comparisons it traces and the report records. Each file
// sits in a source of its own where the order of a listing would otherwise matter.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "finder_case.h"

namespace twinscout::e2e {
namespace {

using Steps = ExpectedOutput;

void plantLogs(FakeTree& t) {
    t.file("a/x.dat", "logged");
    t.file("b/debug.log", "logged");
    t.file("c/old.debug.log.txt", "logged");
    t.file("d/Debug.log", "logged");
}

std::vector<FinderCase> comparisonCases() {
    const std::string x = "a/x.dat";
    const std::string log = "b/debug.log";
    const std::string old = "c/old.debug.log.txt";
    const std::string capital = "d/Debug.log";
    return {
        // Each file is compared with every later one of its size, so a group of three
        // gives three pairs, and the second file opens a group of its own.
        {"ThreeIdenticalFilesThreePairsTwoReports",
         [](FakeTree& t) {
             for (const char* dir : {"a", "b", "c"}) t.file(std::string(dir) + "/s.dat", "same");
         },
         {"a", "b", "c"},
         [](Steps& s) {
             s.flatSource("a", {"a/s.dat"}).flatSource("b", {"b/s.dat"});
             s.flatSource("c", {"c/s.dat"}).listed(3);
             s.first("a/s.dat").compared("a/s.dat", "b/s.dat", true);
             s.compared("a/s.dat", "c/s.dat", true);
             s.first("b/s.dat").compared("b/s.dat", "c/s.dat", true).first("c/s.dat");
             s.report({{"a/s.dat", "b/s.dat", "c/s.dat"}, {"b/s.dat", "c/s.dat"}});
         }},
        // Sizes 3, 5, 3, 5 in walk order: the catalogue brings each pair together and
        // the scan of a first file stops at the first file of another size.
        {"TwoGroupsReportedInOrderFound",
         [](FakeTree& t) {
             t.file("a/x.dat", "abc");
             t.file("b/y.dat", "hello");
             t.file("c/x.dat", "abc");
             t.file("d/y.dat", "hello");
         },
         {"a", "b", "c", "d"},
         [](Steps& s) {
             s.flatSource("a", {"a/x.dat"}).flatSource("b", {"b/y.dat"});
             s.flatSource("c", {"c/x.dat"}).flatSource("d", {"d/y.dat"}).listed(4);
             s.first("a/x.dat").compared("a/x.dat", "c/x.dat", true).first("c/x.dat");
             s.first("b/y.dat").compared("b/y.dat", "d/y.dat", true).first("d/y.dat");
             s.report({{"a/x.dat", "c/x.dat"}, {"b/y.dat", "d/y.dat"}});
         }},
        {"EqualSizesDifferentBytesNotReported",
         [](FakeTree& t) {
             t.file("a/x.dat", "first byte");
             t.file("b/x.dat", "First byte");
             t.file("c/x.dat", "first bytE");
         },
         {"a", "b", "c"},
         [](Steps& s) {
             s.flatSource("a", {"a/x.dat"}).flatSource("b", {"b/x.dat"});
             s.flatSource("c", {"c/x.dat"}).listed(3);
             s.first("a/x.dat").compared("a/x.dat", "b/x.dat", false);
             s.compared("a/x.dat", "c/x.dat", false);
             s.first("b/x.dat").compared("b/x.dat", "c/x.dat", false).first("c/x.dat");
             s.report({});
         }},
        // Paths reach the console and the records as data, never as a format.
        {"PercentSignsInPathsWrittenUnchanged",
         [](FakeTree& t) {
             t.file("100%/x.dat", "same");
             t.file("%s%n%d/x.dat", "same");
         },
         {"100%", "%s%n%d"},
         [](Steps& s) {
             s.flatSource("100%", {"100%/x.dat"}).flatSource("%s%n%d", {"%s%n%d/x.dat"});
             s.listed(2).first("100%/x.dat").compared("100%/x.dat", "%s%n%d/x.dat", true);
             s.first("%s%n%d/x.dat").report({{"100%/x.dat", "%s%n%d/x.dat"}});
         }},
        // Names that differ only in case are two files where the system tells them apart.
        {"NamesDifferingInCaseAreDifferentFiles",
         [](FakeTree& t) {
             t.file("src/Photo.jpg", "jpeg bytes");
             t.file("src/photo.jpg", "jpeg bytes");
         },
         {"src"},
         [](Steps& s) {
             s.flatSource("src", {"src/Photo.jpg", "src/photo.jpg"}).listed(2);
             s.first("src/Photo.jpg").compared("src/Photo.jpg", "src/photo.jpg", true);
             s.first("src/photo.jpg").report({{"src/Photo.jpg", "src/photo.jpg"}});
         }},

        // With a trailing separator the same directory is walked under a second
        // spelling. A file met under both is still one file: never its own duplicate.
        {"SecondSpellingOfSourceIsNotADuplicate",
         [](FakeTree& t) { t.file("dup/one.dat", "only"); },
         {"dup", "dup/"},
         [](Steps& s) {
             s.flatSource("dup", {"dup/one.dat"}).flatSource("dup/", {"dup//one.dat"});
             s.listed(2).first("dup/one.dat").first("dup//one.dat").report({});
         }},
        // Distinct files under the two spellings pair in every combination but a file
        // with itself.
        {"SecondSpellingStillPairsDistinctFiles",
         [](FakeTree& t) {
             t.file("dup/one.dat", "same");
             t.file("dup/two.dat", "same");
         },
         {"dup", "dup/"},
         [](Steps& s) {
             const std::string p = "dup/one.dat";
             const std::string q = "dup/two.dat";
             const std::string pp = "dup//one.dat";
             const std::string qq = "dup//two.dat";
             s.flatSource("dup", {p, q}).flatSource("dup/", {pp, qq}).listed(4);
             s.first(p).compared(p, q, true).compared(p, qq, true);
             s.first(q).compared(q, pp, true);
             s.first(pp).compared(pp, qq, true).first(qq);
             s.report({{p, q, qq}, {q, pp}, {pp, qq}});
         }},
        // Deleting either name of a hard-linked pair keeps the data, so the pair counts.
        {"HardLinksReportedAsPair",
         [](FakeTree& t) {
             t.file("one/a.dat", "linked");
             t.hardLink("two/b.dat", "one/a.dat");
         },
         {"one", "two"},
         [](Steps& s) {
             s.flatSource("one", {"one/a.dat"}).flatSource("two", {"two/b.dat"}).listed(2);
             s.first("one/a.dat").compared("one/a.dat", "two/b.dat", true).first("two/b.dat");
             s.report({{"one/a.dat", "two/b.dat"}});
         }},
        // A link and its target name one entry: they are never compared with each
        // other, while a real copy pairs with both.
        {"LinkToFileNeverDuplicateOfItsTarget",
         [](FakeTree& t) {
             t.file("a/real.dat", "content");
             t.file("b/copy.dat", "content");
             t.link("links/alias.dat", "a/real.dat");
         },
         {"a", "b", "links"},
         [](Steps& s) {
             const std::string real = "a/real.dat";
             const std::string copy = "b/copy.dat";
             const std::string alias = "links/alias.dat";
             s.flatSource("a", {real}).flatSource("b", {copy}).flatSource("links", {alias});
             s.listed(3).first(real).compared(real, copy, true);
             s.first(copy).compared(copy, alias, true).first(alias);
             s.report({{real, copy}, {copy, alias}});
         }},
        // The first file of all is catalogued unopened; when it can't be opened it is
        // still listed among the first files, and compared with nothing.
        {"UnopenableFirstFileListedAndPassedOver",
         [](FakeTree& t) {
             t.unopenable("held/locked.dat", "held");
             t.file("a/x.dat", "held");
             t.file("b/x.dat", "held");
         },
         {"held", "a", "b"},
         [](Steps& s) {
             s.flatSource("held", {"held/locked.dat"}).flatSource("a", {"a/x.dat"});
             s.flatSource("b", {"b/x.dat"}).listed(3).first("held/locked.dat");
             s.first("a/x.dat").compared("a/x.dat", "b/x.dat", true).first("b/x.dat");
             s.report({{"a/x.dat", "b/x.dat"}});
         }},

        // The trace file is never taken as a first file, nor any path holding the text
        // "debug.log"; they compare with nothing when found first.
        {"DebugLogsFoundFirstCompareWithNothing",
         plantLogs,
         {"b", "c", "a"},
         [=](Steps& s) {
             s.flatSource("b", {log}).flatSource("c", {old}).flatSource("a", {x}).listed(3);
             s.first(x).report({});
         }},
        // They are still found as later files; the test is on the text, with case.
        {"DebugLogsFoundAsLaterFiles",
         plantLogs,
         {"a", "b", "d", "c"},
         [=](Steps& s) {
             s.flatSource("a", {x}).flatSource("b", {log}).flatSource("d", {capital});
             s.flatSource("c", {old}).listed(4);
             s.first(x).compared(x, log, true).compared(x, capital, true);
             s.compared(x, old, true).first(capital).compared(capital, old, true);
             s.report({{x, log, capital, old}, {capital, old}});
         }},
        {"DebugLogFoundTwiceAroundAFile",
         plantLogs,
         {"b", "a", "b"},
         [=](Steps& s) {
             s.flatSource("b", {log}).flatSource("a", {x}).flatSource("b", {log}).listed(3);
             s.first(x).compared(x, log, true).report({{x, log}});
         }},
    };
}

class ComparisonTraceTest : public FinderCaseTest {};

TEST_P(ComparisonTraceTest, ConsoleAndRecordsWithAndWithoutTrace) { expectCase(); }

INSTANTIATE_TEST_SUITE_P(Comparison, ComparisonTraceTest, ::testing::ValuesIn(comparisonCases()),
                         caseName);

}  // namespace
}  // namespace twinscout::e2e
