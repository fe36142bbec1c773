#include "finder/content_classes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

// Files as byte strings, listed at one size: a file of other bytes reads short or long
// where the classification reaches its end, and one with `failAt` fails any read that
// reaches that offset. Every read is recorded, none may come after a release, and a
// file released as paired must have been read whole.
class MemoryChunks final : public ChunkSource {
public:
    struct Read {
        std::size_t file;
        std::int64_t offset;
        std::size_t count;
    };

    MemoryChunks(std::vector<std::string> files, std::int64_t size)
        : m_files(std::move(files)), m_size(size), m_released(m_files.size(), false) {}

    std::vector<bool> read(const std::vector<std::size_t>& files, std::int64_t offset,
                           std::size_t count, const std::vector<char*>& buffers) override {
        std::vector<bool> whole;
        for (std::size_t k = 0; k < files.size(); ++k) {
            const std::string& bytes = m_files[files[k]];
            EXPECT_FALSE(m_released[files[k]]) << "file " << files[k] << " read after release";
            const auto end = offset + static_cast<std::int64_t>(count);
            // At the end one byte more is asked, so a file grown since never passes.
            const std::int64_t asked = end == m_size ? end + 1 : end;
            const auto available =
                std::min<std::int64_t>(asked, static_cast<std::int64_t>(bytes.size()));
            const bool fails = failAt.count(files[k]) != 0 && end > failAt[files[k]];
            const std::int64_t got = fails ? -1 : std::max<std::int64_t>(available - offset, 0);
            if (got > 0)
                std::memcpy(buffers[k], bytes.data() + offset, static_cast<std::size_t>(got));
            reads.push_back({files[k], offset, got > 0 ? static_cast<std::size_t>(got) : 0});
            whole.push_back(got == static_cast<std::int64_t>(count));
        }
        return whole;
    }

    // A file that pairs was read to its end.
    void release(std::size_t file, bool paired) override {
        m_released[file] = true;
        if (paired) {
            EXPECT_GE(bytesRead(file), m_size) << "file " << file;
        }
    }

    std::int64_t bytesRead(std::size_t file = SIZE_MAX) const {
        std::int64_t total = 0;
        for (const Read& read : reads) {
            if (file == SIZE_MAX || read.file == file)
                total += static_cast<std::int64_t>(read.count);
        }
        return total;
    }

    std::map<std::size_t, std::int64_t> failAt;
    std::vector<Read> reads;

private:
    std::vector<std::string> m_files;
    std::int64_t m_size;
    std::vector<bool> m_released;
};

// One letter per file naming its class in order of first appearance, e.g. "aab".
std::string classify(MemoryChunks& source, std::size_t count, std::int64_t size,
                     std::size_t bufferBytes = 16u << 20) {
    std::vector<std::uint32_t> classes;
    classifyFilesWithin(bufferBytes, source, count, size, classes);
    std::map<std::uint32_t, char> letters;
    std::string out;
    for (const std::uint32_t fileClass : classes) {
        out += letters.emplace(fileClass, static_cast<char>('a' + letters.size())).first->second;
    }
    return out;
}

std::string bytes(std::size_t size, char fill, std::size_t differentAt = SIZE_MAX) {
    std::string text(size, fill);
    if (differentAt < size) text[differentAt] = static_cast<char>(fill + 1);
    return text;
}

TEST(ContentClassesTest, DifferencesAtTheFirstMiddleAndLastByteAndChunkEdges) {
    const std::size_t size = 3 * 4096 * 8 + 17;  // spans several growing chunks
    for (const std::size_t at : {std::size_t{0}, std::size_t{4095}, std::size_t{4096}, size / 2,
                                 std::size_t{4096 * 9 - 1}, size - 4097, size - 1}) {
        SCOPED_TRACE(at);
        MemoryChunks source({bytes(size, 'x'), bytes(size, 'x', at), bytes(size, 'x')},
                            static_cast<std::int64_t>(size));
        EXPECT_EQ(classify(source, 3, static_cast<std::int64_t>(size)), "aba");
        EXPECT_LE(source.bytesRead(), 3 * static_cast<std::int64_t>(size)) << "no byte twice";
    }
}

// A file leaves as soon as no other matches it: after its head where the head differs,
// after head and tail where the last block does. The tail comes right after the head,
// and the middle of equal files is read once.
TEST(ContentClassesTest, AFileIsReadOnlyAsFarAsTellingItApartNeeds) {
    const std::size_t size = 1000000;
    MemoryChunks source({bytes(size, 'x'), bytes(size, 'x'), bytes(size, 'x', size - 1),
                         bytes(size, 'y'), bytes(size, 'x', size - 4097)},
                        size);
    EXPECT_EQ(classify(source, 5, size), "aabcd");
    EXPECT_EQ(source.bytesRead(0), static_cast<std::int64_t>(size));
    EXPECT_EQ(source.bytesRead(1), static_cast<std::int64_t>(size));
    EXPECT_EQ(source.bytesRead(2), 2 * 4096) << "its head, then its last block";
    EXPECT_EQ(source.bytesRead(3), 4096) << "its head only";
    EXPECT_EQ(source.reads[5].offset, static_cast<std::int64_t>(size) - 4096) << "tail second";
}

TEST(ContentClassesTest, AFileAloneIsNeverRead) {
    MemoryChunks source({bytes(5000, 'x')}, 5000);
    EXPECT_EQ(classify(source, 1, 5000), "a");
    EXPECT_TRUE(source.reads.empty());
}

// Failed, short and grown files are identical to nothing, not even to each other.
TEST(ContentClassesTest, FailedShortAndGrownFilesStandApart) {
    MemoryChunks source({bytes(9000, 'x'), bytes(9000, 'x'), bytes(8999, 'x'), bytes(9000, 'x'),
                         bytes(9000, 'x'), bytes(9000, 'x'), bytes(9001, 'x')},
                        9000);
    source.failAt = {{1, 8000}, {4, 0}, {5, 0}};
    EXPECT_EQ(classify(source, 7, 9000), "abcadef");
}

// Chunks too many for the buffer are hashed, then confirmed byte for byte: the classes
// are the same, and no byte is read more than twice.
TEST(ContentClassesTest, SmallBuffersGiveTheSameClasses) {
    std::vector<std::string> files;
    for (int i = 0; i < 40; ++i) {
        // Classes by i % 4, and the last byte splits class 0 once more.
        std::string content = bytes(20000, static_cast<char>('a' + i % 4));
        if (i % 4 == 0 && i >= 20) content.back() = 'z';
        files.push_back(content);
    }
    MemoryChunks roomy(files, 20000);
    const std::string expected = classify(roomy, 40, 20000);
    EXPECT_EQ(expected.substr(0, 8), "abcdabcd");
    EXPECT_EQ(expected.substr(20, 4), "ebcd");
    MemoryChunks tight(files, 20000);
    EXPECT_EQ(classify(tight, 40, 20000, 40 * 512), expected);
    EXPECT_LE(tight.bytesRead(), 2 * roomy.bytesRead());
}

}  // namespace
