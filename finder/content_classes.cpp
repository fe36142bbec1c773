#include "finder/content_classes.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "finder/content_hash.h"
#include "finder/file_readers.h"
#include "finder/read_ahead.h"

namespace {

constexpr std::size_t kLargestChunk = 1u << 20;
constexpr std::size_t kSmallestChunk = 512;
// Reading less than this per file and round costs more in calls than a second read.
constexpr std::size_t kEnoughToSplit = 64 * 1024;

// Readers whose bytes agree before `offset`, and from `end` on. Bytes are compared
// from the head on, except once: the tail, read right after the head.
struct Group {
    std::vector<std::size_t> readers;
    std::int64_t offset = 0;
    std::size_t chunk = kHeadBytes;
    std::int64_t end = -1;  // the file's size until the tail is read
    bool atTail = false;    // this step reads the tail; the middle resumes at `resume`
    std::int64_t resume = 0;
    std::size_t resumeChunk = 0;
};

class Classifier {
public:
    Classifier(platform::FileSystem& fileSystem, std::int64_t size, std::vector<RunMember>& members,
               const ClassifierLimits& limits, bool checkEveryName, ReadAhead* ahead)
        : m_size(size),
          m_members(members),
          m_limits(limits),
          m_checkEveryName(checkEveryName),
          m_files(fileSystem, members, limits.openFiles, ahead) {}

    void run() {
        m_readerClass.resize(m_files.size());
        for (std::uint32_t& readerClass : m_readerClass) readerClass = m_nextClass++;

        // A reader alone is never read.
        std::vector<Group> pending;
        if (m_files.size() > 1) {
            Group& all = pending.emplace_back();
            all.readers.resize(m_files.size());
            std::iota(all.readers.begin(), all.readers.end(), std::size_t{0});
            all.end = m_size;
        }
        while (!pending.empty()) {
            Group group = std::move(pending.back());
            pending.pop_back();
            split(group, pending);
        }

        // Every name that could pair is checked, then classes are final.
        assignClasses();
        std::vector<std::size_t> classSize(m_nextClass, 0);
        for (const RunMember& member : m_members) ++classSize[member.contentClass];
        std::vector<bool> mustCheck(m_members.size());
        for (std::size_t i = 0; i < m_members.size(); ++i) {
            mustCheck[i] = m_checkEveryName || classSize[m_members[i].contentClass] > 1;
        }
        m_files.checkNames(mustCheck);
        assignClasses();
    }

private:
    // The names of a file that failed are not even identical to each other.
    void assignClasses() {
        for (std::size_t i = 0; i < m_members.size(); ++i) {
            const std::size_t reader = m_files.readerOf(i);
            m_members[i].contentClass =
                m_files.failed(reader) ? m_nextClass++ : m_readerClass[reader];
        }
    }

    // The group's last read: nothing is left to compare after it.
    bool isLast(const Group& group, std::size_t count) const {
        return !group.atTail && group.offset + static_cast<std::int64_t>(count) == group.end;
    }

    std::size_t remainingChunk(const Group& group) const {
        return static_cast<std::size_t>(std::min<std::int64_t>(
            group.end - group.offset, static_cast<std::int64_t>(group.chunk)));
    }

    // Readers of `group` that agree up to `next` as well: a class when nothing is left
    // to compare, or a group to read on; a reader alone is a class of its own already.
    void settle(const Group& group, Group part, std::int64_t next, std::size_t chunk,
                std::vector<Group>& pending) {
        std::sort(part.readers.begin(), part.readers.end());
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
        if (part.readers.size() > 1 && part.offset < part.end) {
            pending.push_back(std::move(part));
            return;
        }
        const std::uint32_t partClass = m_nextClass++;
        for (std::size_t r : part.readers) {
            if (part.readers.size() > 1) m_readerClass[r] = partClass;
            m_files.release(r);
        }
    }

    void split(const Group& group, std::vector<Group>& pending) {
        std::size_t chunk = remainingChunk(group);
        const std::size_t fits =
            m_limits.bufferBytes / group.readers.size() / kSmallestChunk * kSmallestChunk;
        if (fits >= std::min(chunk, kEnoughToSplit)) {
            splitByBytes(group, std::min(chunk, fits), pending);
        } else {
            splitByHash(group, chunk, pending);
        }
    }

    // Every reader's chunk side by side in the buffer, sorted and cut where bytes differ.
    void splitByBytes(const Group& group, std::size_t chunk, std::vector<Group>& pending) {
        const std::size_t stride = chunk + 1;
        if (m_buffer.size() < stride * group.readers.size()) {
            m_buffer.resize(stride * group.readers.size());
        }
        auto row = [&](std::size_t index) { return &m_buffer[index * stride]; };

        const std::vector<bool> whole =
            m_files.read(group.readers, group.offset, chunk, isLast(group, chunk), row);
        std::vector<std::size_t> rows;
        for (std::size_t index = 0; index < group.readers.size(); ++index) {
            if (whole[index]) {
                rows.push_back(index);
            } else {
                m_files.release(group.readers[index]);  // it keeps its class of its own
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
            for (std::size_t k = first; k < last; ++k)
                part.readers.push_back(group.readers[rows[k]]);
            settle(group, std::move(part), next, chunk, pending);
            first = last;
        }
    }

    bool readOne(const Group& group, std::size_t reader, char* buffer, std::size_t chunk) {
        const bool whole = m_files.read({reader}, group.offset, chunk, isLast(group, chunk),
                                        [buffer](std::size_t) { return buffer; })[0];
        if (!whole) m_files.release(reader);
        return whole;
    }

    // Too many readers to hold their chunks: a hash of each chunk sorts them, and readers
    // sharing a hash are then checked byte for byte against one of them, which reads
    // those chunks a second time but needs room for two chunks only.
    void splitByHash(const Group& group, std::size_t chunk, std::vector<Group>& pending) {
        const std::size_t stride = chunk + 1;
        // The hashes are taken as many readers at a time as the buffer holds, so that
        // their reads are in flight together.
        const std::size_t perRead =
            std::clamp<std::size_t>(m_limits.bufferBytes / stride, 2, group.readers.size());
        if (m_buffer.size() < stride * perRead) m_buffer.resize(stride * perRead);
        auto row = [&](std::size_t index) { return &m_buffer[index * stride]; };
        char* const mine = row(0);
        char* const theirs = row(1);

        std::vector<std::pair<std::uint64_t, std::size_t>> hashed;
        for (std::size_t begin = 0; begin < group.readers.size(); begin += perRead) {
            const std::size_t end = std::min(group.readers.size(), begin + perRead);
            const std::vector<std::size_t> slice(group.readers.begin() + begin,
                                                 group.readers.begin() + end);
            const std::vector<bool> whole =
                m_files.read(slice, group.offset, chunk, isLast(group, chunk), row);
            for (std::size_t k = 0; k < slice.size(); ++k) {
                if (whole[k]) {
                    hashed.emplace_back(hashBytes(row(k), chunk), slice[k]);
                } else {
                    m_files.release(slice[k]);
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
                part.readers.push_back(undecided.front());
                if (undecided.size() > 1 && !readOne(group, undecided.front(), mine, chunk)) {
                    part.readers.clear();
                }
                for (std::size_t k = 1; k < undecided.size(); ++k) {
                    if (part.readers.empty()) {
                        others.push_back(undecided[k]);
                    } else if (!readOne(group, undecided[k], theirs, chunk)) {
                        continue;
                    } else if (std::memcmp(mine, theirs, chunk) == 0) {
                        part.readers.push_back(undecided[k]);
                    } else {
                        others.push_back(undecided[k]);
                    }
                }
                if (!part.readers.empty()) settle(group, std::move(part), next, chunk, pending);
                undecided = std::move(others);
            }
        }
    }

    const std::int64_t m_size;
    std::vector<RunMember>& m_members;
    const ClassifierLimits& m_limits;
    const bool m_checkEveryName;
    FileReaders m_files;
    std::vector<std::uint32_t> m_readerClass;
    std::vector<char> m_buffer;
    std::uint32_t m_nextClass = 0;
};

}  // namespace

void classifyRun(platform::FileSystem& fileSystem, std::int64_t size,
                 std::vector<RunMember>& members, const ClassifierLimits& limits,
                 bool checkEveryName, ReadAhead* ahead) {
    Classifier(fileSystem, size, members, limits, checkEveryName, ahead).run();
}
