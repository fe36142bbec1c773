// A name that turns into a FIFO between the look at what it leads to and the
// open: the FIFO is never opened (opening it would let its writer go), neither by
// the listing nor by an open. inotify tells every open of the FIFO.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/open_seam_posix.h"
#include "temp_dir.h"

namespace {

using twinscout::e2e::TempDir;

// The paths the seam swaps, a regular file "f" and a FIFO "p", for a test at a time.
std::string g_regular;
std::string g_fifo;

bool swapNames() {
    return ::renameat2(AT_FDCWD, g_regular.c_str(), AT_FDCWD, g_fifo.c_str(), RENAME_EXCHANGE) == 0;
}

void swapAtTheSeam() {
    EXPECT_TRUE(swapNames()) << std::strerror(errno);
    platform::setBetweenLookAndOpen(nullptr);
}

class OpenRaceTest : public testing::Test {
protected:
    void SetUp() override {
        m_dir.writeFile("f", "regular");
        g_regular = (m_dir.path() / "f").string();
        g_fifo = (m_dir.path() / "p").string();
        ASSERT_EQ(::mkfifo(g_fifo.c_str(), 0644), 0) << std::strerror(errno);
        struct stat info {};
        ASSERT_EQ(::stat(g_regular.c_str(), &info), 0);
        m_regular = {static_cast<std::uint64_t>(info.st_dev),
                     static_cast<std::uint64_t>(info.st_ino)};
        m_events = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ASSERT_GE(m_events, 0) << std::strerror(errno);
        // The watch follows the FIFO, whatever name it comes to have.
        ASSERT_GE(::inotify_add_watch(m_events, g_fifo.c_str(), IN_OPEN), 0);
    }
    void TearDown() override {
        platform::setBetweenLookAndOpen(nullptr);
        if (m_events >= 0) ::close(m_events);
    }

    bool fifoOpened() const {
        char buffer[4096];
        return ::read(m_events, buffer, sizeof buffer) > 0;
    }

    // Opened or not, what was opened is the regular file that was looked at.
    void expectNoFifo(const platform::File& file, const platform::FileStatus& status) const {
        EXPECT_FALSE(fifoOpened()) << "the FIFO was opened";
        if (!file) return;
        EXPECT_EQ(status.identity, m_regular);
        platform::FileStatus now;
        ASSERT_TRUE(file.status(now));
        EXPECT_EQ(now.identity, m_regular);
    }

    std::unique_ptr<platform::DirectoryListing> listedUpTo(const std::string& name) {
        platform::OpenError error;
        auto listing = m_fs.openListing(m_dir.path().string(), error);
        EXPECT_TRUE(listing);
        if (!listing) return nullptr;
        for (platform::DirectoryEntry entry; listing->next(entry);) {
            if (entry.name == name) {
                EXPECT_EQ(entry.kind, platform::EntryKind::file);
                m_entry = entry;
                break;
            }
        }
        return listing;
    }

    platform::FileSystem& m_fs = platform::realFileSystem();
    TempDir m_dir;
    platform::FileIdentity m_regular;
    platform::DirectoryEntry m_entry;
    int m_events = -1;
};

// The listing read the directory's types; what a listed name leads to by the time it
// is described is looked at, never opened.
TEST_F(OpenRaceTest, ListingOpensNoFifoThatTookAListedName) {
    const auto listing = listedUpTo("f");
    ASSERT_TRUE(listing);
    ASSERT_TRUE(swapNames());
    platform::FileStatus status;
    EXPECT_FALSE(listing->describe(m_entry, status));
    EXPECT_FALSE(fifoOpened()) << "the FIFO was opened";
}

TEST_F(OpenRaceTest, OpenByPathOpensNoFifoSwappedInAfterTheLook) {
    platform::setBetweenLookAndOpen(swapAtTheSeam);
    const platform::OpenedFile opened = m_fs.open(g_regular);
    expectNoFifo(opened.file, opened.status);
}

}  // namespace
