// The listing phase record for record: which files the walk lists, in what order, what
// the catalogue keeps and counts, the filters, sources that overlap or are missing,
// files that can't be opened, links and FIFOs. Sizes are kept distinct where only the
// listing matters, so the comparison adds no pairs.
#include <gtest/gtest.h>

#include <vector>

#include "finder_case.h"

namespace twinscout::e2e {
namespace {

using Steps = ExpectedOutput;

void plantFilterTree(FakeTree& t) {
    t.file("p/x.txt.bak/inner.dat", "inner");
    t.file("p/plain.dat", "plain!");
    t.file("q/b.txt", "bb");
    t.file("q/c.TXT", "ccc");
}

void plantExclusionTree(FakeTree& t) {
    t.file("src/temp/a.dat", "a");
    t.file("src/temporary/b.dat", "bb");
    t.file("src/keep/c.dat", "ccc");
}

void plantEmptyFiles(FakeTree& t) {
    t.file("e/empty.dat", "");
    t.file("f/x.dat", "xyz");
    t.file("g/empty.dat", "");
}

std::vector<FinderCase> listingCases() {
    return {
        {"TwoSourcesListedInOrderAndCountedTogether",
         [](FakeTree& t) {
             t.file("one/a.dat", "aaa");
             t.file("one/b.dat", "b");
             t.file("two/c.dat", "cc");
         },
         {"one", "two"},
         [](Steps& s) {
             s.flatSource("one", {"one/a.dat", "one/b.dat"}).flatSource("two", {"two/c.dat"});
             // Ascending size; every file has a size of its own, so nothing is compared.
             s.listed(3).first("one/b.dat").first("two/c.dat").first("one/a.dat").report({});
         }},
        // Each file is catalogued twice; its two entries are never compared.
        {"SameSourceTwiceListsAndCountsEveryFileTwice",
         [](FakeTree& t) {
             t.file("d/x.dat", "x");
             t.file("d/y.dat", "yy");
         },
         {"d", "d"},
         [](Steps& s) {
             s.flatSource("d", {"d/x.dat", "d/y.dat"}).flatSource("d", {"d/x.dat", "d/y.dat"});
             s.listed(4).first("d/x.dat").first("d/x.dat").first("d/y.dat").first("d/y.dat");
             s.report({});
         }},
        // Only the very first file is catalogued whatever its size; its second sighting
        // is an empty file like any other.
        {"EmptyFileFoundFirstCataloguedOnlyOnce",
         [](FakeTree& t) { t.file("d/empty.dat", ""); },
         {"d", "d"},
         [](Steps& s) {
             s.flatSource("d", {"d/empty.dat"}).flatSource("d", {"d/empty.dat"}).listed(1);
             s.first("d/empty.dat").report({});
         }},
        {"EmptyFileFoundFirstCataloguedLaterOneNot",
         plantEmptyFiles,
         {"e", "f", "g"},
         [](Steps& s) {
             s.flatSource("e", {"e/empty.dat"}).flatSource("f", {"f/x.dat"});
             s.flatSource("g", {"g/empty.dat"}).listed(2);
             s.first("e/empty.dat").first("f/x.dat").report({});
         }},
        {"EmptyFileFoundLaterListedButNotCatalogued",
         plantEmptyFiles,
         {"f", "e"},
         [](Steps& s) {
             s.flatSource("f", {"f/x.dat"}).flatSource("e", {"e/empty.dat"}).listed(1);
             s.first("f/x.dat").report({});
         }},
        {"UnopenableFileAfterFirstListedButNotCatalogued",
         [](FakeTree& t) {
             t.file("a/x.dat", "xyz");
             t.unopenable("b/held.dat", "held");
         },
         {"a", "b"},
         [](Steps& s) {
             s.flatSource("a", {"a/x.dat"}).flatSource("b", {"b/held.dat"}).listed(1);
             s.first("a/x.dat").report({});
         }},
        // The count line comes all the same; the walk goes on with the next source, and
        // standard error names the one missing.
        {"MissingSourceTracedWithPatternAndErrorCode",
         [](FakeTree& t) { t.file("d/x.dat", "xyz"); },
         {"missing", "d"},
         [](Steps& s) {
             s.sourceFails("missing", FakeFileSystem::kMissing);
             s.flatSource("d", {"d/x.dat"}).listed(1).first("d/x.dat").report({});
         }},
        {"EmptyDirectoryOnlyEnteredAndLeft",
         [](FakeTree& t) { t.directory("empty"); },
         {"empty"},
         [](Steps& s) { s.flatSource("empty", {}).listed(0).report({}); }},

        // The extension test reads the whole path, with case: a directory name can let
        // a file in, and ".txt" is not ".TXT". Files left out leave no record.
        {"ExtensionMatchesWholePathWithCase",
         plantFilterTree,
         {"p", "q"},
         [](Steps& s) {
             s.source("p").enterDirectory("p").enterDirectory("p/x.txt.bak");
             s.found("p/x.txt.bak/inner.dat").leaveDirectory("p/x.txt.bak").leaveDirectory("p");
             s.source("q").enterDirectory("q").found("q/b.txt").leaveDirectory("q").listed(2);
             s.first("q/b.txt").first("p/x.txt.bak/inner.dat").report({});
         },
         {".txt"}},
        {"UpperCaseExtensionTakesOnlyUpperCaseNames",
         plantFilterTree,
         {"p", "q"},
         [](Steps& s) {
             s.source("p").enterDirectory("p").enterDirectory("p/x.txt.bak");
             s.leaveDirectory("p/x.txt.bak").leaveDirectory("p");
             s.flatSource("q", {"q/c.TXT"}).listed(1).first("q/c.TXT").report({});
         },
         {".TXT"}},
        {"AnyOfSeveralExtensionsLetsAFileIn",
         plantFilterTree,
         {"q", "p"},
         [](Steps& s) {
             s.flatSource("q", {"q/c.TXT"});
             s.source("p").enterDirectory("p").found("p/plain.dat");
             s.enterDirectory("p/x.txt.bak").leaveDirectory("p/x.txt.bak").leaveDirectory("p");
             s.listed(2).first("q/c.TXT").first("p/plain.dat").report({});
         },
         {".TXT", "plain"}},

        // Exclusions ignore case, match any part of a directory's path, and are tested
        // on directories only, each time before it is entered.
        {"ExclusionInCapitalsLeavesOutDirectoryAndSiblingExtendingIt",
         plantExclusionTree,
         {"src"},
         [](Steps& s) {
             s.source("src").enterDirectory("src").enterDirectory("src/keep");
             s.found("src/keep/c.dat").leaveDirectory("src/keep").leaveDirectory("src");
             s.listed(1).first("src/keep/c.dat").report({});
         },
         {},
         {"TEMP"}},
        {"DoubledSeparatorFoldedBeforeExclusionTest",
         plantExclusionTree,
         {"src/"},
         [](Steps& s) {
             s.source("src/").enterDirectory("src/").enterDirectory("src//keep");
             s.found("src//keep/c.dat").leaveDirectory("src//keep").leaveDirectory("src/");
             s.listed(1).first("src//keep/c.dat").report({});
         },
         {},
         {"src/temp"}},
        {"ExclusionNamingFileLeavesItIn",
         plantExclusionTree,
         {"src/keep"},
         [](Steps& s) {
             s.flatSource("src/keep", {"src/keep/c.dat"}).listed(1);
             s.first("src/keep/c.dat").report({});
         },
         {},
         {"c.dat"}},
        {"ExcludedSourceLeavesNoWalkRecord",
         plantExclusionTree,
         {"src"},
         [](Steps& s) { s.source("src").listed(0).report({}); },
         {},
         {"SRC"}},

        // A link back to a directory being walked is left at its one record, where the
        // walk meets it.
        {"LinkToAncestorEndsWithOneLoopRecord",
         [](FakeTree& t) {
             t.directory("src/d/e");
             t.link("src/d/e/back", "src");
             t.file("other/f.dat", "f");
         },
         {"src", "other"},
         [](Steps& s) {
             s.source("src").enterDirectory("src").enterDirectory("src/d");
             s.enterDirectory("src/d/e").loopSkipped("src/d/e/back").leaveDirectory("src/d/e");
             s.leaveDirectory("src/d").leaveDirectory("src");
             s.flatSource("other", {"other/f.dat"}).listed(1).first("other/f.dat").report({});
         }},
        // Two links to the directory itself would double the walk at every level.
        {"TwoLinksToSameDirectoryEachSkippedOnce",
         [](FakeTree& t) {
             t.file("src/f.dat", "f");
             t.link("src/self", "src");
             t.link("src/again", "src");
         },
         {"src"},
         [](Steps& s) {
             s.source("src").enterDirectory("src").loopSkipped("src/again").found("src/f.dat");
             s.loopSkipped("src/self").leaveDirectory("src");
             s.listed(1).first("src/f.dat").report({});
         }},
        {"LinkToDirectoryElsewhereIsWalked",
         [](FakeTree& t) {
             t.file("elsewhere/y.dat", "y");
             t.link("src/far", "elsewhere");
         },
         {"src"},
         [](Steps& s) {
             s.source("src").enterDirectory("src").enterDirectory("src/far");
             s.found("src/far/y.dat").leaveDirectory("src/far").leaveDirectory("src");
             s.listed(1).first("src/far/y.dat").report({});
         }},
        // A FIFO or a device is listed like any file and kept out of the catalogue,
        // unless it is the first file of all.
        {"SpecialFilesListedButNotCatalogued",
         [](FakeTree& t) {
             t.file("src/a.dat", "aaa");
             t.file("src/b.dat", "bbbbb");
             t.special("src/pipe");
         },
         {"src"},
         [](Steps& s) {
             s.flatSource("src", {"src/a.dat", "src/b.dat", "src/pipe"}).listed(2);
             s.first("src/a.dat").first("src/b.dat").report({});
         }},
        {"SpecialFileFoundFirstCatalogued",
         [](FakeTree& t) {
             t.special("src/a-fifo");
             t.file("src/b.dat", "bytes");
             t.special("src/c-device");
         },
         {"src"},
         [](Steps& s) {
             s.flatSource("src", {"src/a-fifo", "src/b.dat", "src/c-device"}).listed(2);
             s.first("src/a-fifo").first("src/b.dat").report({});
         }},
    };
}

class ListingTraceTest : public FinderCaseTest {};

TEST_P(ListingTraceTest, ConsoleAndRecordsWithAndWithoutTrace) { expectCase(); }

INSTANTIATE_TEST_SUITE_P(Listing, ListingTraceTest, ::testing::ValuesIn(listingCases()), caseName);

}  // namespace
}  // namespace twinscout::e2e
