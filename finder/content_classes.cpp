#include "finder/content_classes.h"

#include <algorithm>
#include <cstring>

#include "finder/content_hash.h"

namespace {

// Chunks of a group are compared side by side within this much memory.
constexpr std::size_t kBufferBytes = 16u << 20;
constexpr std::size_t kLargestChunk = 1u << 20;
constexpr std::size_t kSmallestChunk = 512;
// Reading less than this per file and round costs more in calls than a second read.
constexpr std::size_t kEnoughToSplit = 64 * 1024;
// Reads of hashed chunks started at once: twice what the read queues keep in flight.
constexpr std::size_t kMostHashedAtOnce = 128;

// Files whose bytes agree before `offset`, and from `end` on. Bytes are compared
// from the head on, except once: the tail, read right after the head.
struct Group {
    std::vector<std::size_t> files;
    std::int64_t offset = 0;
    std::size_t chunk = kHeadBytes;
    std::int64_t end = -1;  // the file's size until the tail is read
    bool atTail = false;    // this step reads the tail; the middle resumes at `resume`
    std::int64_t resume = 0;
    std::size_t resumeChunk = 0;
};

class Classifier {
public:
    Classifier(ChunkSource& source, std::size_t fileCount, std::int64_t size,
               std::size_t bufferBytes, std::vector<std::uint32_t>& classes)
        : m_source(source), m_size(size), m_bufferBytes(bufferBytes), m_classes(classes) {
        m_classes.resize(fileCount);
        for (std::uint32_t& fileClass : m_classes) fileClass = m_nextClass++;
    }

    // A file alone is never read.
    void classify() {
        std::vector<Group> pending;
        if (m_classes.size() > 1) {
            Group& all = pending.emplace_back();
            for (std::size_t f = 0; f < m_classes.size(); ++f) all.files.push_back(f);
            all.end = m_size;
        }
        while (!pending.empty()) {
            Group group = std::move(pending.back());
            pending.pop_back();
            split(group, pending);
        }
    }

private:
    std::size_t remainingChunk(const Group& group) const {
        return static_cast<std::size_t>(std::min<std::int64_t>(
            group.end - group.offset, static_cast<std::int64_t>(group.chunk)));
    }

    // Files of `group` that agree up to `next` as well: a class when nothing is left to
    // compare, or a group to read on; a file alone is a class of its own already.
    void settle(const Group& group, Group part, std::int64_t next, std::size_t chunk,
                std::vector<Group>& pending) {
        std::sort(part.files.begin(), part.files.end());
        const std::size_t grown = std::min(chunk * 8, kLargestChunk);
        part.end = group.end;
        if (group.atTail) {
            part.offset = group.resume;
            part.chunk = group.resumeChunk;
            part.end = m_size - kTailBytes;
        } else if (next < group.end && group.end == m_size && m_size - next > kTailBytes) {
            part.offset = m_size - kTailBytes;
            part.chunk = static_cast<std::size_t>(kTailBytes);
            part.atTail = true;
            part.resume = next;
            part.resumeChunk = grown;
        } else {
            part.offset = next;
            part.chunk = grown;
        }
        if (part.files.size() > 1 && part.offset < part.end) {
            pending.push_back(std::move(part));
            return;
        }
        const std::uint32_t partClass = m_nextClass++;
        for (const std::size_t f : part.files) {
            if (part.files.size() > 1) m_classes[f] = partClass;
            m_source.release(f, part.files.size() > 1);
        }
    }

    void split(const Group& group, std::vector<Group>& pending) {
        std::size_t chunk = remainingChunk(group);
        const std::size_t fits =
            m_bufferBytes / group.files.size() / kSmallestChunk * kSmallestChunk;
        if (fits >= std::min(chunk, kEnoughToSplit)) {
            splitByBytes(group, std::min(chunk, fits), pending);
        } else {
            splitByHash(group, chunk, pending);
        }
    }

    // Every file's chunk side by side in the buffer, sorted and cut where bytes differ.
    void splitByBytes(const Group& group, std::size_t chunk, std::vector<Group>& pending) {
        const std::size_t stride = chunk + 1;
        if (m_buffer.size() < stride * group.files.size()) {
            m_buffer.resize(stride * group.files.size());
        }
        auto row = [&](std::size_t index) { return &m_buffer[index * stride]; };

        const std::vector<bool> whole =
            m_source.read(group.files, group.offset, chunk, rowStarts(group.files.size(), stride));
        std::vector<std::size_t> rows;
        for (std::size_t index = 0; index < group.files.size(); ++index) {
            if (whole[index]) {
                rows.push_back(index);
            } else {
                m_source.release(group.files[index], false);  // it keeps its class of its own
            }
        }
        std::stable_sort(rows.begin(), rows.end(), [&](std::size_t a, std::size_t b) {
            return std::memcmp(row(a), row(b), chunk) < 0;
        });

        const std::int64_t next = group.offset + static_cast<std::int64_t>(chunk);
        for (std::size_t first = 0; first < rows.size();) {
            std::size_t last = first + 1;
            while (last < rows.size() &&
                   std::memcmp(row(rows[first]), row(rows[last]), chunk) == 0) {
                ++last;
            }
            Group part;
            for (std::size_t k = first; k < last; ++k) part.files.push_back(group.files[rows[k]]);
            settle(group, std::move(part), next, chunk, pending);
            first = last;
        }
    }

    bool readOne(const Group& group, std::size_t file, char* buffer, std::size_t chunk) {
        const bool whole = m_source.read({file}, group.offset, chunk, {buffer})[0];
        if (!whole) m_source.release(file, false);
        return whole;
    }

    // Too many files to hold their chunks: a hash of each chunk sorts them, and files
    // sharing a hash are then checked byte for byte against one of them, which reads
    // those chunks a second time but needs room for two chunks only.
    void splitByHash(const Group& group, std::size_t chunk, std::vector<Group>& pending) {
        const std::size_t stride = chunk + 1;
        // The hashes are taken a few hundred files at a time, so that their reads are in
        // flight together; more would only hold memory.
        const std::size_t perRead = std::clamp<std::size_t>(
            std::min(m_bufferBytes / stride, kMostHashedAtOnce), 2, group.files.size());
        if (m_buffer.size() < stride * perRead) m_buffer.resize(stride * perRead);
        auto row = [&](std::size_t index) { return &m_buffer[index * stride]; };
        char* const mine = row(0);
        char* const theirs = row(1);

        std::vector<std::pair<std::uint64_t, std::size_t>> hashed;
        for (std::size_t begin = 0; begin < group.files.size(); begin += perRead) {
            const std::size_t end = std::min(group.files.size(), begin + perRead);
            const std::vector<std::size_t> slice(group.files.begin() + begin,
                                                 group.files.begin() + end);
            const std::vector<bool> whole =
                m_source.read(slice, group.offset, chunk, rowStarts(slice.size(), stride));
            for (std::size_t k = 0; k < slice.size(); ++k) {
                if (whole[k]) {
                    hashed.emplace_back(hashBytes(row(k), chunk), slice[k]);
                } else {
                    m_source.release(slice[k], false);
                }
            }
        }
        std::sort(hashed.begin(), hashed.end());

        const std::int64_t next = group.offset + static_cast<std::int64_t>(chunk);
        for (std::size_t first = 0; first < hashed.size();) {
            std::size_t last = first + 1;
            while (last < hashed.size() && hashed[last].first == hashed[first].first) ++last;
            std::vector<std::size_t> undecided;
            for (std::size_t k = first; k < last; ++k) undecided.push_back(hashed[k].second);
            first = last;

            while (!undecided.empty()) {
                Group part;
                std::vector<std::size_t> others;
                part.files.push_back(undecided.front());
                if (undecided.size() > 1 && !readOne(group, undecided.front(), mine, chunk)) {
                    part.files.clear();
                }
                for (std::size_t k = 1; k < undecided.size(); ++k) {
                    if (part.files.empty()) {
                        others.push_back(undecided[k]);
                    } else if (!readOne(group, undecided[k], theirs, chunk)) {
                        continue;
                    } else if (std::memcmp(mine, theirs, chunk) == 0) {
                        part.files.push_back(undecided[k]);
                    } else {
                        others.push_back(undecided[k]);
                    }
                }
                if (!part.files.empty()) settle(group, std::move(part), next, chunk, pending);
                undecided = std::move(others);
            }
        }
    }

    // The first `count` rows of the buffer, `stride` bytes apart.
    std::vector<char*> rowStarts(std::size_t count, std::size_t stride) {
        std::vector<char*> starts;
        for (std::size_t index = 0; index < count; ++index) {
            starts.push_back(&m_buffer[index * stride]);
        }
        return starts;
    }

    ChunkSource& m_source;
    const std::int64_t m_size;
    const std::size_t m_bufferBytes;
    std::vector<std::uint32_t>& m_classes;
    std::vector<char> m_buffer;
    std::uint32_t m_nextClass = 0;
};

}  // namespace

void classifyFilesWithin(std::size_t bufferBytes, ChunkSource& source, std::size_t fileCount,
                         std::int64_t size, std::vector<std::uint32_t>& classes) {
    Classifier(source, fileCount, size, bufferBytes, classes).classify();
}

void classifyFiles(ChunkSource& source, std::size_t fileCount, std::int64_t size,
                   std::vector<std::uint32_t>& classes) {
    classifyFilesWithin(kBufferBytes, source, fileCount, size, classes);
}
