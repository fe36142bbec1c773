// A file the reader may not read counts as one that can't be opened, whether the
// listing keeps it open or only looks at it. The look runs in a child that has
// become an unprivileged user, since root reads everything.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "temp_dir.h"

namespace {

using twinscout::e2e::TempDir;

// Bit k of the result: what kept `k` files out of two got wrong.
int wrongAnswers(const std::string& dir) {
    const std::vector<std::string> names = {"secret", "open"};
    const std::vector<std::string> paths = {dir + "/secret", dir + "/open"};
    std::uint32_t error = 0;
    const auto listing = platform::realFileSystem().openListing(dir, error);
    if (!listing) return 0x40;
    int wrong = 0;
    for (std::size_t keep = 0; keep <= 2; ++keep) {
        std::vector<platform::FileStatus> statuses;
        std::vector<bool> opened;
        std::vector<platform::File> kept;
        listing->statusOfFiles(names, paths, statuses, opened, keep, kept);
        if (opened != std::vector<bool>{false, true} || statuses[1].size != 4) wrong |= 1 << keep;
    }
    return wrong;
}

TEST(UnreadableFileTest, CountsAsUnopenedWhetherKeptOrLookedAt) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to look as another user";
    const TempDir dir;
    const auto secret = dir.writeFile("secret", "root's");
    const auto open = dir.writeFile("open", "open");
    ASSERT_EQ(::chmod(secret.c_str(), 0600), 0);
    ASSERT_EQ(::chmod(open.c_str(), 0644), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);

    const std::string path = dir.path().string();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
            ::setresuid(65534, 65534, 65534) != 0) {
            ::_exit(0x80);
        }
        ::_exit(wrongAnswers(path));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 0x80) GTEST_SKIP() << "the child could not become user 65534";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "bit k: wrong with k files kept, 0x40: no listing";
}

}  // namespace
