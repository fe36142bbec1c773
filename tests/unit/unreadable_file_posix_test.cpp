// A file the reader may not read counts as one that can't be opened: the listing
// tells so without opening it, and an open by its path says why. Both run in a child
// that has become an unprivileged user, since root reads everything.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/file_system.h"
#include "temp_dir.h"

namespace {

using twinscout::e2e::TempDir;

// Bit 0: the listing answered wrong, bit 1: the opens by path.
int wrongAnswers(const std::string& dir) {
    platform::FileSystem& fileSystem = platform::realFileSystem();
    platform::OpenError error;
    const auto listing = fileSystem.openListing(dir, error);
    if (!listing) return 0x40;
    int wrong = 0;
    for (platform::DirectoryEntry entry; listing->next(entry);) {
        platform::FileStatus status;
        if (entry.name == "secret" && listing->describe(entry, status)) wrong |= 1;
        if (entry.name == "open" && (!listing->describe(entry, status) || status.size != 4)) {
            wrong |= 1;
        }
    }
    const platform::OpenedFile secret = fileSystem.open(dir + "/secret");
    const platform::OpenedFile open = fileSystem.open(dir + "/open");
    if (secret.file || secret.error.code != EACCES || !open.file || open.status.size != 4) {
        wrong |= 2;
    }
    return wrong;
}

TEST(UnreadableFileTest, CountsAsUnopenedWhoeverAsks) {
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
    EXPECT_EQ(WEXITSTATUS(status), 0) << "bit 0: listing, bit 1: by path, 0x40: no listing";
}

}  // namespace
