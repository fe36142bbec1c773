#include "finder/content_classes.h"

#include <algorithm>
#include <cstring>

#include "finder/content_hash.h"

namespace {

constexpr std::size_t kFirstChunk = 4096;
// Read right after the head: files that differ near their end, as files appended to
// or stamped with a trailer do, separate without their middles being read.
constexpr std::int64_t kTailBytes = 4096;
constexpr std::size_t kLargestChunk = 1u << 20;
constexpr std::size_t kSmallestChunk = 512;
// Reading less than this per file and round costs more in calls than a second read.
constexpr std::size_t kEnoughToSplit = 64 * 1024;

constexpr std::size_t kNone = SIZE_MAX;

// Reads one file for all the members that share its identity.
struct Reader {
    std::vector<std::size_t> members;
    platform::File file;
    std::size_t opener = kNone;  // the member whose name the file is opened by
    bool failed = false;         // not read whole, or changed while read
};

// Readers whose bytes agree before `offset`, and from `end` on. Bytes are compared
// from the head on, except once: the tail, read right after the head.
struct Group {
    std::vector<std::size_t> readers;
    std::int64_t offset = 0;
    std::size_t chunk = kFirstChunk;
    std::int64_t end = -1;  // the file's size until the tail is read
    bool atTail = false;    // this step reads the tail; the middle resumes at `resume`
    std::int64_t resume = 0;
    std::size_t resumeChunk = 0;
};

bool identityOrder(const platform::FileIdentity& a, const platform::FileIdentity& b) {
    return a.volume != b.volume ? a.volume < b.volume : a.index < b.index;
}

class Classifier {
public:
    Classifier(platform::FileSystem& fileSystem, std::int64_t size, std::vector<RunMember>& members,
               const ClassifierLimits& limits, bool checkEveryName)
        : m_fileSystem(fileSystem),
          m_size(size),
          m_members(members),
          m_limits(limits),
          m_checkEveryName(checkEveryName) {}

    void run() {
        const std::vector<std::size_t> readerOf = makeReaders();
        m_readerClass.resize(m_readers.size());
        for (std::uint32_t& readerClass : m_readerClass) readerClass = m_nextClass++;
        m_checked.assign(m_members.size(), false);
        m_gone.assign(m_members.size(), false);

        std::vector<Group> pending = groupsByHead();
        while (!pending.empty()) {
            Group group = std::move(pending.back());
            pending.pop_back();
            split(group, pending);
        }

        // The names of a file that failed are not even identical to each other.
        for (std::size_t i = 0; i < m_members.size(); ++i) {
            m_members[i].contentClass =
                m_readers[readerOf[i]].failed ? m_nextClass++ : m_readerClass[readerOf[i]];
        }
        checkUnreadNames();
        for (std::size_t i = 0; i < m_members.size(); ++i) m_members[i].opened = !m_gone[i];
    }

private:
    // One reader per identity, in identity order, which is also an order the disk likes.
    // Returns each member's reader.
    // Names listed with different stamps get readers of their own: the file changed
    // between the two listings, and each is checked against what its listing saw.
    std::vector<std::size_t> makeReaders() {
        std::vector<std::size_t> order(m_members.size());
        for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return identityOrder(m_members[a].listed.identity, m_members[b].listed.identity);
        });
        std::vector<std::size_t> readerOf(m_members.size());
        for (const std::size_t i : order) {
            const platform::FileStatus& listed = m_members[i].listed;
            const platform::FileStatus* previous =
                m_readers.empty() ? nullptr : &m_members[m_readers.back().members.front()].listed;
            const bool sameFile = previous != nullptr && listed.identity.known() &&
                                  listed.identity == previous->identity &&
                                  listed.stamps == previous->stamps;
            if (!sameFile) m_readers.emplace_back();
            m_readers.back().members.push_back(i);
            readerOf[i] = m_readers.size() - 1;
        }
        return readerOf;
    }

    // Opens a member's file by its name, only if the name still leads to the file the
    // listing saw: a name replaced since must not lend its bytes to the others.
    platform::File openAsListed(std::size_t member) {
        m_checked[member] = true;
        const platform::FileStatus& listed = m_members[member].listed;
        platform::FileStatus now;
        platform::File file = m_fileSystem.open(m_members[member].path, now);
        if (file && listed.identity.known() && now.identity == listed.identity &&
            now.size == listed.size) {
            return file;
        }
        m_gone[member] = true;
        return {};
    }

    // By the name that opened it before, or else the first name that still leads to it.
    platform::File reopen(Reader& reader) {
        if (reader.opener != kNone) return openAsListed(reader.opener);
        for (const std::size_t member : reader.members) {
            platform::File file = openAsListed(member);
            if (file) {
                reader.opener = member;
                return file;
            }
        }
        return {};
    }

    // A file written while it was read may match bytes it never held all at once:
    // after its last chunk, it must still be as the listing saw it.
    bool unchanged(const platform::File& file, const Reader& reader) const {
        const platform::FileStatus& listed = m_members[reader.opener].listed;
        platform::FileStatus now;
        return file.status(now) && now.identity == listed.identity && now.size == listed.size &&
               now.stamps == listed.stamps;
    }

    // Names of one file share its reader; those never opened are checked before
    // anything is concluded from them.
    void checkUnreadNames() {
        std::vector<std::size_t> classSize(m_nextClass, 0);
        for (const RunMember& member : m_members) ++classSize[member.contentClass];
        for (std::size_t i = 0; i < m_members.size(); ++i) {
            if ((m_checkEveryName || classSize[m_members[i].contentClass] > 1) && !m_checked[i]) {
                openAsListed(i);
            }
        }
    }

    // Readers whose heads differ are apart already, and a reader alone is never read;
    // one unknown head puts everyone in one group.
    std::vector<Group> groupsByHead() const {
        std::vector<std::size_t> order(m_readers.size());
        for (std::size_t r = 0; r < order.size(); ++r) order[r] = r;
        auto head = [&](std::size_t r) { return m_members[m_readers[r].members.front()].head; };
        std::vector<Group> groups;
        if (std::any_of(order.begin(), order.end(),
                        [&](std::size_t r) { return head(r) == kUnknownHead; })) {
            if (order.size() > 1) {
                Group group;
                group.readers = std::move(order);
                group.end = m_size;
                groups.push_back(std::move(group));
            }
            return groups;
        }
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return head(a) < head(b); });
        for (std::size_t first = 0; first < order.size();) {
            std::size_t last = first + 1;
            while (last < order.size() && head(order[last]) == head(order[first])) ++last;
            if (last - first > 1) {
                Group group;
                group.end = m_size;
                group.readers.assign(order.begin() + static_cast<std::ptrdiff_t>(first),
                                     order.begin() + static_cast<std::ptrdiff_t>(last));
                std::sort(group.readers.begin(), group.readers.end());
                groups.push_back(std::move(group));
            }
            first = last;
        }
        return groups;
    }

    // Reads `count` bytes at `offset` into `buffer`, which has room for one byte more:
    // a read that reaches the end asks for it, so that a file grown since the listing
    // never passes. After the group's final read the file must be as listed.
    bool readChunk(const Group& group, Reader& reader, char* buffer, std::size_t count) {
        const std::int64_t upTo = group.offset + static_cast<std::int64_t>(count);
        const bool final = !group.atTail && upTo == group.end;
        reader.failed = !readWhole(reader, group.offset, buffer, count, upTo == m_size, final);
        return !reader.failed;
    }

    bool readWhole(Reader& reader, std::int64_t offset, char* buffer, std::size_t count,
                   bool reachesEnd, bool final) {
        const std::size_t asked = reachesEnd ? count + 1 : count;
        if (reader.file) {
            return reader.file.readAt(offset, buffer, asked) == static_cast<std::int64_t>(count) &&
                   (!final || unchanged(reader.file, reader));
        }
        platform::File file = reopen(reader);
        if (!file) return false;
        const bool whole = file.readAt(offset, buffer, asked) == static_cast<std::int64_t>(count) &&
                           (!final || unchanged(file, reader));
        // Handles beyond the budget are opened again for each chunk.
        if (whole && !final && m_openFiles < m_limits.openFiles) {
            // Read-ahead pays only for files read in several chunks.
            file.adviseSequential();
            reader.file = std::move(file);
            ++m_openFiles;
        }
        return whole;
    }

    void release(Reader& reader) {
        if (reader.file) {
            reader.file.close();
            --m_openFiles;
        }
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
            release(m_readers[r]);
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

        std::vector<std::size_t> rows;
        for (std::size_t index = 0; index < group.readers.size(); ++index) {
            Reader& reader = m_readers[group.readers[index]];
            if (readChunk(group, reader, row(index), chunk)) {
                rows.push_back(index);
            } else {
                release(reader);  // it keeps the class of its own it started with
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

    // Too many readers to hold their chunks: a hash of each chunk sorts them, and readers
    // sharing a hash are then checked byte for byte against one of them, which reads
    // those chunks a second time but needs room for two chunks only.
    void splitByHash(const Group& group, std::size_t chunk, std::vector<Group>& pending) {
        if (m_buffer.size() < 2 * (chunk + 1)) m_buffer.resize(2 * (chunk + 1));
        char* const mine = m_buffer.data();
        char* const theirs = mine + chunk + 1;

        std::vector<std::pair<std::uint64_t, std::size_t>> hashed;
        for (const std::size_t r : group.readers) {
            if (readChunk(group, m_readers[r], mine, chunk)) {
                hashed.emplace_back(hashBytes(mine, chunk), r);
            } else {
                release(m_readers[r]);
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
                if (undecided.size() > 1 &&
                    !readChunk(group, m_readers[undecided.front()], mine, chunk)) {
                    release(m_readers[undecided.front()]);
                    part.readers.clear();
                }
                for (std::size_t k = 1; k < undecided.size(); ++k) {
                    Reader& reader = m_readers[undecided[k]];
                    if (part.readers.empty()) {
                        others.push_back(undecided[k]);
                    } else if (!readChunk(group, reader, theirs, chunk)) {
                        release(reader);
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

    platform::FileSystem& m_fileSystem;
    const std::int64_t m_size;
    std::vector<RunMember>& m_members;
    const ClassifierLimits& m_limits;
    const bool m_checkEveryName;
    std::vector<Reader> m_readers;
    std::vector<std::uint32_t> m_readerClass;
    std::vector<bool> m_checked;  // the member's name was opened and compared with its listing
    std::vector<bool> m_gone;     // ... and no longer leads to the file listed
    std::vector<char> m_buffer;
    std::size_t m_openFiles = 0;
    std::uint32_t m_nextClass = 0;
};

}  // namespace

void classifyRun(platform::FileSystem& fileSystem, std::int64_t size,
                 std::vector<RunMember>& members, const ClassifierLimits& limits,
                 bool checkEveryName) {
    Classifier(fileSystem, size, members, limits, checkEveryName).run();
}
