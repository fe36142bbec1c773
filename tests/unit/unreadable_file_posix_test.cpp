// A file the reader may not read counts as one that can't be opened, whether opened
// by the listing or by its path, and says why. The opens run in a child that has
// become an unprivileged user, since root reads everything.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "temp_dir.h"

namespace {

using twinscout::e2e::TempDir;

bool rightAnswers(const std::vector<platform::OpenedFile>& files) {
    return files.size() == 2 && !files[0].file && files[0].error == EACCES && files[1].file &&
           files[1].status.size == 4;
}

// Bit 0: the listing's opens were wrong, bit 1: the opens by path.
int wrongAnswers(const std::string& dir) {
    platform::FileSystem& fileSystem = platform::realFileSystem();
    const std::vector<std::string> names = {"secret", "open"};
    const std::vector<std::string> paths = {dir + "/secret", dir + "/open"};
    std::uint32_t error = 0;
    const auto listing = fileSystem.openListing(dir, error);
    if (!listing) return 0x40;
    int wrong = 0;
    std::vector<platform::OpenedFile> files;
    listing->openFiles(names, paths, files);
    if (!rightAnswers(files)) wrong |= 1;
    fileSystem.openAll({paths[0].c_str(), paths[1].c_str()}, files);
    if (!rightAnswers(files)) wrong |= 2;
    return wrong;
}

TEST(UnreadableFileTest, CountsAsUnopenedWhicheverWayItIsOpened) {
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
