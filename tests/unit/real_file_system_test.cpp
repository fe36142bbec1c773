// What the real file system's listing tells of a file must be what opening it tells,
// its read queue must finish every read with the bytes asked, in whatever order, and
// what it tells of a file must show when the file changes or its name is replaced.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "finder/finder.h"
#include "memory_output.h"
#include "platform/file_system.h"
#include "platform/system.h"
#include "platform_facts.h"
#include "temp_dir.h"

namespace {

using twinscout::e2e::TempDir;

std::string contentOf(int i) {
    return std::string(static_cast<std::size_t>(i * 37 % 9000), static_cast<char>('a' + i % 26));
}

class RealFileSystemTest : public testing::Test {
protected:
    RealFileSystemTest() {
        // More files than one batch holds, empty ones among them.
        for (int i = 0; i < 150; ++i) {
            m_names.push_back("f" + std::to_string(i));
            m_dir.writeFile(m_names.back(), contentOf(i));
        }
        m_dir.makeDir("sub");
        m_names.push_back("sub");
        m_names.push_back("missing");
        for (const std::string& name : m_names) {
            m_paths.push_back(m_dir.path().string() + platform::kSeparator + name);
        }
    }

    platform::FileSystem& m_fs = platform::realFileSystem();
    TempDir m_dir;
    std::vector<std::string> m_names;
    std::vector<std::string> m_paths;
};

void expectSameStatus(const platform::FileStatus& a, const platform::FileStatus& b) {
    EXPECT_EQ(a.size, b.size);
    EXPECT_EQ(a.identity, b.identity);
    EXPECT_EQ(a.stamps, b.stamps);
}

// Sizes, identities and stamps must agree, or no file would pair: the listing's come
// from the directory (Windows, Wine) or a status call (Linux), the others from the open.
TEST_F(RealFileSystemTest, TheListingTellsWhatAnOpenTells) {
    platform::OpenError error;
    const auto listing = m_fs.openListing(m_dir.path().string(), error);
    ASSERT_TRUE(listing);
    std::map<std::string, platform::DirectoryEntry> entries;
    for (platform::DirectoryEntry entry; listing->next(entry);) entries[entry.name] = entry;
    EXPECT_EQ(entries.at("sub").kind, platform::EntryKind::directory);
    EXPECT_EQ(entries.count("missing"), 0u);
    for (std::size_t k = 0; k < 150; ++k) {
        SCOPED_TRACE(m_names[k]);
        const platform::DirectoryEntry& entry = entries.at(m_names[k]);
        ASSERT_EQ(entry.kind, platform::EntryKind::file);
        platform::FileStatus listed;
        EXPECT_TRUE(listing->describe(entry, listed));
        const platform::OpenedFile opened = m_fs.open(m_paths[k]);
        ASSERT_TRUE(opened.file);
        expectSameStatus(listed, opened.status);
        EXPECT_TRUE(listed.identity.known());
        EXPECT_EQ(opened.status.links, 1u);
        platform::FileStatus looked;
        std::uint64_t key = 0;
        ASSERT_TRUE(m_fs.statusAt(m_paths[k], looked, key));
        expectSameStatus(looked, opened.status);

        // Advice changes nothing that is read.
        opened.file.advise(platform::Access::sequential);
        std::string bytes(static_cast<std::size_t>(opened.status.size) + 1, '\0');
        EXPECT_EQ(opened.file.readAt(0, bytes.data(), bytes.size()), opened.status.size);
        bytes.resize(static_cast<std::size_t>(opened.status.size));
        EXPECT_EQ(bytes, contentOf(static_cast<int>(k)));
    }
    // What can't be opened says why, in the system's words.
    const platform::OpenedFile missing = m_fs.open(m_paths.back());
    EXPECT_FALSE(missing.file);
    EXPECT_EQ(missing.error.kind, platform::OpenError::Kind::refused);
    EXPECT_NE(missing.error.code, 0u);
    EXPECT_TRUE(m_fs.open(m_paths[150]).error) << "a directory is not opened as a file";
}

TEST_F(RealFileSystemTest, ReadQueueFinishesEveryReadWithItsBytes) {
    const auto queue = m_fs.readQueue();
    ASSERT_GT(queue->depth(), 0u);
    std::uint64_t tag = 0;
    std::int64_t result = 0;
    EXPECT_FALSE(queue->finish(tag, result)) << "nothing in flight";

    std::vector<platform::File> files(150);
    std::vector<std::string> buffers(150);
    std::map<std::uint64_t, std::int64_t> finished;
    std::size_t inFlight = 0;
    for (std::size_t k = 0; k < 150; ++k) {
        platform::OpenedFile opened = m_fs.open(m_paths[k]);
        ASSERT_TRUE(opened.file);
        files[k] = std::move(opened.file);
        const platform::FileStatus& status = opened.status;
        // From byte 7 on, one byte past the end: the result tells where the file ends.
        buffers[k].assign(static_cast<std::size_t>(status.size) + 1, '\0');
        if (inFlight == queue->depth()) {
            ASSERT_TRUE(queue->finish(tag, result));
            finished.emplace(tag, result);
            --inFlight;
        }
        queue->start(files[k], 7, buffers[k].data(), buffers[k].size(), k);
        ++inFlight;
    }
    while (queue->finish(tag, result)) EXPECT_TRUE(finished.emplace(tag, result).second);
    ASSERT_EQ(finished.size(), 150u);
    for (std::size_t k = 0; k < 150; ++k) {
        const std::string expected = contentOf(static_cast<int>(k));
        const std::int64_t got =
            std::max<std::int64_t>(0, static_cast<std::int64_t>(expected.size()) - 7);
        EXPECT_EQ(finished[k], got) << k;
        EXPECT_EQ(buffers[k].substr(0, static_cast<std::size_t>(got)),
                  expected.size() > 7 ? expected.substr(7) : std::string());
    }
}

// Four copies listed; then one name is replaced by an equal copy and another file
// grows, as another program may do while the run compares: neither lends its name
// to a pair, on Windows as on Linux, and the two untouched still pair.
TEST_F(RealFileSystemTest, NamesReplacedOrFilesChangedAfterTheListingNeverPair) {
    const std::string bytes(5000, 'q');
    const auto pairsAfter = [&](const std::function<void()>& between) {
        for (const char* name : {"a", "b", "c", "d"})
            m_dir.writeFile(std::string(name) + "/x", bytes);
        const std::u8string root = m_dir.path().u8string();
        StringList sources;
        for (const char* name : {"a", "b", "c", "d"}) {
            sources.push_back(std::string(root.begin(), root.end()) + platform::kSeparator + name);
        }
        StringList extensions;
        StringList exclusions;
        MemoryOutput output;
        CFinder finder(sources, extensions, exclusions, output, m_fs);
        finder.find();
        between();
        finder.compareFiles();
        std::size_t pairs = 0;
        for (std::size_t at = output.console.find(" are the same file"); at != std::string::npos;
             at = output.console.find(" are the same file", at + 1)) {
            ++pairs;
        }
        return pairs;
    };
    EXPECT_EQ(pairsAfter([] {}), 6u);
    EXPECT_EQ(pairsAfter([&] {
                  m_dir.writeFile("copy", bytes);
                  std::filesystem::rename(m_dir.path() / "copy", m_dir.path() / "b" / "x");
                  m_dir.writeFile("c/x", bytes + "!");
              }),
              1u);
}

// Two names that differ only in case are one entry, never a pair, exactly where the
// system says so; elsewhere they are two files that may pair.
TEST(RealFileSystemNamesTest, CaseTellsNamesApartWhereTheSystemDoes) {
    EXPECT_EQ(platform::realFileSystem().namesIgnoreCase(), twinscout::e2e::namesIgnoreCase());
}

}  // namespace
