// Comparisons that depend on POSIX file names and links: names that differ only
// in case are different files, hard links are two entries of one file, and a
// symbolic link is another name of the entry it leads to.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "expected_run.h"
#include "messages.h"
#include "paced_child.h"
#include "platform_text.h"
#include "program_test.h"
#include "trace_records.h"

namespace twinscout::e2e {
namespace {

class PosixCompareTest : public ExpectedRunTest {};

TEST_F(PosixCompareTest, NamesDifferingInCaseAreDifferentFiles) {
    m_dir.writeFile("src/Photo.jpg", "jpeg bytes");
    m_dir.writeFile("src/photo.jpg", "jpeg bytes");
    const std::vector<std::string> names = listedNames(m_dir.path() / "src");
    ASSERT_EQ(names.size(), 2u);
    const std::string p = "src/" + names[0];
    const std::string q = "src/" + names[1];

    ExpectedRun run;
    run.flatSource("src", {p, q}).listed(2).first(p).compared(p, q, true).first(q);
    run.report({{p, q}}).finish();
    expectRun({"/s", "src"}, run);
}

// Deleting either name of a hard-linked pair keeps the data, so the pair is reported.
TEST_F(PosixCompareTest, HardLinksReportedAsPair) {
    m_dir.writeFile("one/a.dat", "linked");
    m_dir.makeDir("two");
    std::filesystem::create_hard_link(m_dir.path() / "one/a.dat", m_dir.path() / "two/b.dat");

    ExpectedRun run;
    run.flatSource("one", {"one/a.dat"}).flatSource("two", {"two/b.dat"}).listed(2);
    run.first("one/a.dat").compared("one/a.dat", "two/b.dat", true).first("two/b.dat");
    run.report({{"one/a.dat", "two/b.dat"}}).finish();
    expectRun({"/s", "one", "/s", "two"}, run);
}

// The link and its target name one entry: they are never compared with each
// other, while a real copy pairs with both.
TEST_F(PosixCompareTest, SymbolicLinkNeverDuplicateOfItsTarget) {
    m_dir.writeFile("a/real.dat", "content");
    m_dir.writeFile("b/copy.dat", "content");
    m_dir.makeDir("links");
    std::filesystem::create_symlink("../a/real.dat", m_dir.path() / "links/alias.dat");
    const std::string real = "a/real.dat";
    const std::string copy = "b/copy.dat";
    const std::string alias = "links/alias.dat";

    ExpectedRun run;
    run.flatSource("a", {real}).flatSource("b", {copy}).flatSource("links", {alias}).listed(3);
    run.first(real).compared(real, copy, true);
    run.first(copy).compared(copy, alias, true).first(alias);
    run.report({{real, copy}, {copy, alias}}).finish();
    expectRun({"/s", "a", "/s", "b", "/s", "links"}, run);
}

// A catalogued file that is gone when its turn as a candidate comes is passed
// over, and the scan goes on with the next candidate. The test holds the run
// after the listing by leaving its output unread: two long first-file lines
// before the group fill the pipe, so the group is not reached before the file
// is removed.
TEST_F(PosixCompareTest, CandidateGoneBeforeComparisonPassedOver) {
    std::vector<std::string> fillerDirs;
    std::vector<std::string> fillers;
    for (int i = 1; i <= 2; ++i) {
        std::string dir = "fill" + std::to_string(i);
        for (int level = 0; level < 11; ++level) dir += "/" + std::string(200, 'a' + level);
        m_dir.writeFile(dir + "/f.dat", std::string(static_cast<std::size_t>(i), 'f'));
        fillers.push_back(dir + "/f.dat");
        fillerDirs.push_back(std::move(dir));
    }
    for (const char* dir : {"a", "b", "c"}) m_dir.writeFile(std::string(dir) + "/x.dat", "group");

    ExpectedRun listing;
    listing.flatSource(fillerDirs[0], {fillers[0]}).flatSource(fillerDirs[1], {fillers[1]});
    listing.flatSource("a", {"a/x.dat"}).flatSource("b", {"b/x.dat"}).flatSource("c", {"c/x.dat"});
    listing.listed(5);
    const std::string checking = consoleText(text::kChecking);
    std::string throughCount = listing.console();
    throughCount.resize(throughCount.size() - checking.size());

    PacedChild child(programCommand(
        {"/s", fillerDirs[0], "/s", fillerDirs[1], "/s", "a", "/s", "b", "/s", "c", "/d"}));
    ASSERT_TRUE(child.started()) << child.failure();
    ASSERT_GT(checking.size() + fillers[0].size() + fillers[1].size() + 2, child.pipeCapacity());
    EXPECT_EQ(child.read(throughCount.size()), throughCount);
    std::filesystem::remove(m_dir.path() / "b/x.dat");
    const RunResult rest = child.finish();
    ASSERT_TRUE(ranToEnd(rest));
    EXPECT_EQ(rest.exitCode, 0);

    ExpectedRun run = listing;
    run.first(fillers[0]).first(fillers[1]);
    run.first("a/x.dat").compared("a/x.dat", "c/x.dat", true);
    run.first("b/x.dat").first("c/x.dat");
    run.report({{"a/x.dat", "c/x.dat"}}).finish();
    EXPECT_EQ(throughCount + rest.out, run.console());
    EXPECT_EQ(maskTimestamps(readLog()), run.trace());
}

}  // namespace
}  // namespace twinscout::e2e
