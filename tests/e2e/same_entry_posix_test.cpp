// One file reached twice where its paths can't be resolved, or through a mount
// seen twice: it is never reported as its own copy, while its real copies are.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "deep_tree.h"
#include "e2e_env.h"
#include "expected_run.h"
#include "program_test.h"

namespace twinscout::e2e {
namespace {

class SameEntryPosixTest : public ExpectedRunTest {
protected:
    // src/sub/f.dat and src/link leading to src/sub: the same entry by two paths.
    void makeLinkedTree(const std::filesystem::path& below) const {
        m_dir.writeFile(below / "src/sub/f.dat", "one file");
        std::filesystem::create_symlink("sub", m_dir.path() / below / "src/link");
    }

    // Run with the sources <prefix>src/sub and <prefix>src/link: both listed, the file
    // once from each, and no pair.
    static void expectNoPair(const Command& command, const std::string& prefix) {
        const ChildResult result = runChild(command);
        ASSERT_TRUE(endedNormally(result));
        EXPECT_EQ(result.exitCode, 0) << result.err;
        const std::string viaSub = prefix + "src/sub/f.dat";
        const std::string viaLink = prefix + "src/link/f.dat";
        ExpectedRun expected;
        expected.flatSource(prefix + "src/sub", {viaSub});
        expected.flatSource(prefix + "src/link", {viaLink});
        expected.listed(2).first(viaSub).first(viaLink).report({}).finish();
        EXPECT_EQ(result.out, expected.console());
    }
};

// Without a working directory no path can be made absolute.
TEST_F(SameEntryPosixTest, WorkingDirectoryRemoved) {
    makeLinkedTree("");
    m_dir.makeDir("work");
    expectNoPair(Command{"/bin/sh",
                         {"-c", "rmdir ../work && exec \"$0\" /s ../src/sub ../src/link",
                          programPath().string()},
                         m_dir.path() / "work"},
                 "../");
}

// A user whose working directory lies below a directory they can't search.
TEST_F(SameEntryPosixTest, WorkingDirectoryBelowUnsearchableDirectory) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to run as another user";
    makeLinkedTree("locked/work");
    std::filesystem::permissions(m_dir.path() / "locked", std::filesystem::perms::owner_all);
    expectNoPair(unprivilegedCommand({"/s", "src/sub", "src/link"}, m_dir.path() / "locked/work"),
                 "");
}

TEST_F(SameEntryPosixTest, BindMountSeenTwice) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to bind-mount";
    m_dir.writeFile("real/f.dat", "mounted");
    m_dir.writeFile("copy/g.dat", "mounted");
    m_dir.makeDir("m1");
    const std::filesystem::path mountPoint = m_dir.path() / "m1";
    if (::mount((m_dir.path() / "real").c_str(), mountPoint.c_str(), nullptr, MS_BIND, nullptr) !=
        0) {
        GTEST_SKIP() << "bind mount refused: " << std::strerror(errno);
    }
    struct Unmount {
        const std::filesystem::path& at;
        ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
    } unmount{mountPoint};

    const ChildResult result = runProgram({"/s", "real", "m1", "copy"});
    ASSERT_TRUE(endedNormally(result));
    std::vector<std::string> pairs;
    for (const std::string& line : consoleLines(result.out)) {
        if (line.find(" #### ") != std::string::npos) pairs.push_back(line);
    }
    const std::vector<std::string> expected{"real/f.dat #### copy/g.dat are the same file",
                                            "m1/f.dat #### copy/g.dat are the same file"};
    EXPECT_EQ(pairs, expected);
}

// Paths longer than the system takes in one call: the file at a relative path just
// short of the limit has an absolute path beyond it, and its copy's relative path
// is beyond it too. Both sources are the same tree.
TEST_F(SameEntryPosixTest, PathsLongerThanTheSystemTakes) {
    const std::string level(200, 'd');
    m_dir.makeDir("tree");
    DeepTree tree(m_dir.path() / "tree", level, 20);
    ASSERT_EQ(tree.depth(), 20);
    std::string dir = "tree";
    for (int i = 0; i < tree.depth(); ++i) dir += "/" + level;
    const std::string shortName(PATH_MAX - 6 - dir.size(), 'a');
    const std::string longName(200, 'b');
    ASSERT_LT(dir.size() + 1 + shortName.size(), static_cast<std::size_t>(PATH_MAX));
    ASSERT_GE((m_dir.path() / dir).string().size() + 1 + shortName.size(),
              static_cast<std::size_t>(PATH_MAX));
    ASSERT_TRUE(tree.writeAtBottom(shortName, "deep copy"));
    ASSERT_TRUE(tree.writeAtBottom(longName, "deep copy"));

    const ChildResult result = runProgram({"/s", "tree", "tree"});
    ASSERT_TRUE(endedNormally(result));
    int pairs = 0;
    const auto name = [](const std::string& path) { return path.substr(path.rfind('/') + 1); };
    for (const std::string& line : consoleLines(result.out)) {
        const std::size_t cut = line.find(" #### ");
        if (cut == std::string::npos) continue;
        ++pairs;
        const std::string second = line.substr(cut + 6, line.rfind(" are the same file") - cut - 6);
        EXPECT_NE(name(line.substr(0, cut)), name(second)) << "a file paired with itself";
    }
    // Each of the two names of one copy pairs with both names of the other.
    EXPECT_EQ(pairs, 4) << result.out.size();
}

}  // namespace
}  // namespace twinscout::e2e
