#include "finder/content_classes.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "fake_file_system.h"

namespace {

class ContentClassesTest : public testing::Test {
protected:
    // Classifies the named files, listed with `size`; returns one letter per file naming
    // its class in order of first appearance ('-' for a file that did not open), e.g.
    // "aab".
    std::string classify(const std::vector<std::string>& paths, std::int64_t size,
                         std::size_t bufferBytes = 16u << 20, std::size_t budget = 1024) {
        Catalogue files;
        for (const std::string& path : paths) {
            platform::FileStatus listed = m_fs.statusOf(path);
            listed.size = size;
            files.add(path, listed);
        }
        files.arrange();
        std::string out;
        {
            BandReader reader(m_fs, files, budget);
            const Band* band = reader.nextBand();
            EXPECT_NE(band, nullptr);
            if (band == nullptr) return out;
            std::vector<std::uint32_t> classes;
            classifyBandWithin(bufferBytes, reader, *band, classes);
            std::vector<BandName> names;
            reader.finishBand(classes, false, names);
            // The catalogue need not keep files of one size in the order they came.
            std::map<std::string, BandName> byPath;
            for (std::size_t k = 0; k < names.size(); ++k) {
                byPath[files[band->begin + k].path] = names[k];
            }
            std::map<std::uint32_t, char> letters;
            for (const std::string& path : paths) {
                const BandName& name = byPath.at(path);
                if (!name.opened) {
                    out += '-';
                    continue;
                }
                const auto found = letters.emplace(name.contentClass, 'a' + letters.size()).first;
                out += found->second;
            }
            EXPECT_EQ(reader.nextBand(), nullptr);
        }
        EXPECT_EQ(m_fs.openNow, 0) << "every file is closed again";
        return out;
    }

    std::int64_t bytesRead() const {
        std::int64_t total = 0;
        for (const auto& read : m_fs.reads) total += static_cast<std::int64_t>(read.count);
        return total;
    }

    FakeFileSystem m_fs;
};

std::string bytes(std::size_t size, char fill, std::size_t differentAt = SIZE_MAX) {
    std::string text(size, fill);
    if (differentAt < size) text[differentAt] = static_cast<char>(fill + 1);
    return text;
}

TEST_F(ContentClassesTest, DifferencesAtTheFirstMiddleAndLastByteAndChunkEdges) {
    const std::size_t size = 3 * 4096 * 8 + 17;  // spans several growing chunks
    for (const std::size_t at : {std::size_t{0}, std::size_t{4095}, std::size_t{4096}, size / 2,
                                 std::size_t{4096 * 9 - 1}, size - 1}) {
        FakeFileSystem fresh;
        m_fs = std::move(fresh);
        m_fs.addFile("a", bytes(size, 'x'));
        m_fs.addFile("b", bytes(size, 'x', at));
        m_fs.addFile("c", bytes(size, 'x'));
        SCOPED_TRACE(at);
        EXPECT_EQ(classify({"a", "b", "c"}, static_cast<std::int64_t>(size)), "aba");
    }
}

TEST_F(ContentClassesTest, EachByteIsReadOnceAndALoneFileLeavesAtOnce) {
    const std::size_t size = 100000;
    m_fs.addFile("a", bytes(size, 'x'));
    m_fs.addFile("b", bytes(size, 'x'));
    m_fs.addFile("c", bytes(size, 'y'));
    EXPECT_EQ(classify({"a", "b", "c"}, size), "aab");
    // a and b are read whole; c leaves after its first chunk.
    EXPECT_EQ(bytesRead(), 2 * static_cast<std::int64_t>(size) + 4096);
}

// The tail comes right after the head: a difference near the end costs two small
// reads per file, and the middle of equal files is still read once.
TEST_F(ContentClassesTest, TheTailIsReadBeforeTheMiddle) {
    const std::size_t size = 1000000;
    m_fs.addFile("a", bytes(size, 'x'));
    m_fs.addFile("b", bytes(size, 'x', size - 4096));
    EXPECT_EQ(classify({"a", "b"}, size), "ab");
    EXPECT_EQ(bytesRead(), 2 * (4096 + 4096));

    m_fs.reads.clear();
    m_fs.addFile("c", bytes(size, 'x'));
    m_fs.addFile("d", bytes(size, 'x', size - 4097));  // the middle's last byte
    EXPECT_EQ(classify({"a", "c", "d"}, size), "aab");
    EXPECT_EQ(bytesRead(), 3 * static_cast<std::int64_t>(size)) << "each byte once";
}

TEST_F(ContentClassesTest, AFileWhoseHeadDiffersLeavesAfterItsHead) {
    const std::size_t size = 10000;
    m_fs.addFile("a", bytes(size, 'x'));
    m_fs.addFile("b", bytes(size, 'x'));
    m_fs.addFile("c", bytes(size, 'x', size - 1));
    m_fs.addFile("d", bytes(size, 'y'));
    EXPECT_EQ(classify({"a", "b", "c", "d"}, size), "aabc");
    std::int64_t readOfD = 0;
    for (const auto& read : m_fs.reads) {
        if (read.path == "d") readOfD += static_cast<std::int64_t>(read.count);
    }
    EXPECT_EQ(readOfD, 4096);
}

TEST_F(ContentClassesTest, NamesOfOneFileAreReadOnceAndAGroupOfOneNotAtAll) {
    m_fs.addFile("a", bytes(5000, 'x'));
    m_fs.addLink("alias", "a");
    EXPECT_EQ(classify({"a", "alias"}, 5000), "aa");
    EXPECT_TRUE(m_fs.reads.empty());
}

TEST_F(ContentClassesTest, FailedAndShortReadsAreNeverIdentical) {
    m_fs.addFile("a", bytes(9000, 'x'));
    m_fs.addFile("failing", bytes(9000, 'x')).failAt = 8000;
    m_fs.addFile("short", bytes(8999, 'x')).announcedSize = 9000;
    m_fs.addFile("b", bytes(9000, 'x'));
    m_fs.addFile("failing2", bytes(9000, 'x')).failAt = 0;
    m_fs.addFile("failing3", bytes(9000, 'x')).failAt = 0;
    EXPECT_EQ(classify({"a", "failing", "short", "b", "failing2", "failing3"}, 9000), "abcade");
}

TEST_F(ContentClassesTest, UnopenableAndChangedFilesStandApart) {
    m_fs.addFile("a", bytes(10, 'x'));
    m_fs.addFile("locked", bytes(10, 'x')).openable = false;
    m_fs.addFile("grown", bytes(11, 'x'));
    m_fs.addFile("b", bytes(10, 'x'));
    EXPECT_EQ(classify({"a", "locked", "grown", "b"}, 10), "a--a");
}

TEST_F(ContentClassesTest, SmallBudgetsStillGiveTheSameClasses) {
    std::vector<std::string> paths;
    for (int i = 0; i < 40; ++i) {
        paths.push_back(std::string("f").append(std::to_string(i)));
        // Classes by i % 4, and the last byte splits class 0 once more.
        std::string content = bytes(20000, static_cast<char>('a' + i % 4));
        if (i % 4 == 0 && i >= 20) content.back() = 'z';
        m_fs.addFile(paths.back(), content);
    }
    const std::string expected = classify(paths, 20000);
    const std::int64_t readAll = bytesRead();
    m_fs.reads.clear();
    m_fs.mostOpenAtOnce = 0;
    // Too small to hold 40 chunks side by side: chunks are hashed, then confirmed.
    EXPECT_EQ(classify(paths, 20000, 40 * 512, 3), expected);
    EXPECT_LE(m_fs.mostOpenAtOnce, 4);
    EXPECT_LE(bytesRead(), 2 * readAll);
    EXPECT_EQ(expected.substr(0, 8), "abcdabcd");
    EXPECT_EQ(expected.substr(20, 4), "ebcd");
}

}  // namespace
