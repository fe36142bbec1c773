#include "finder/content_classes.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kFirstChunk = 4096;
constexpr std::size_t kLargestChunk = 4u << 20;
constexpr std::size_t kSmallestChunk = 512;

// Reads one file for all the members that share its identity.
struct Reader {
    std::size_t member;
    platform::File file;
};

// Readers whose bytes agree before `offset`.
struct Group {
    std::vector<std::size_t> readers;
    std::int64_t offset = 0;
    std::size_t chunk = kFirstChunk;
};

bool identityOrder(const platform::FileIdentity& a, const platform::FileIdentity& b) {
    return a.volume != b.volume ? a.volume < b.volume : a.index < b.index;
}

class Classifier {
   public:
    Classifier(platform::FileSystem& fileSystem, std::int64_t size,
               std::vector<RunMember>& members, const ClassifierLimits& limits)
        : m_fileSystem(fileSystem), m_size(size), m_members(members), m_limits(limits) {}

    void run() {
        std::vector<std::size_t> readerOf = openReaders();
        m_readerClass.resize(m_readers.size());
        for (std::uint32_t& readerClass : m_readerClass) readerClass = m_nextClass++;

        Group all;
        for (std::size_t r = 0; r < m_readers.size(); ++r) all.readers.push_back(r);
        std::vector<Group> pending;
        if (all.readers.size() > 1) pending.push_back(std::move(all));
        while (!pending.empty()) {
            Group group = std::move(pending.back());
            pending.pop_back();
            split(group, pending);
        }

        for (std::size_t i = 0; i < m_members.size(); ++i) {
            if (!m_members[i].opened) continue;
            m_members[i].contentClass =
                readerOf[i] < m_readers.size() ? m_readerClass[readerOf[i]] : m_nextClass++;
        }
    }

   private:
    // One reader per identity, in identity order, which is also an order the disk likes.
    // Returns each member's reader; a member that changed size gets none.
    std::vector<std::size_t> openReaders() {
        std::vector<std::size_t> readerOf(m_members.size(), SIZE_MAX);
        std::vector<std::size_t> readable;
        std::vector<platform::File> files(m_members.size());
        for (std::size_t i = 0; i < m_members.size(); ++i) {
            platform::FileStatus status;
            files[i] = m_fileSystem.open(m_members[i].path, status);
            m_members[i].opened = static_cast<bool>(files[i]);
            m_members[i].identity = status.identity;
            if (files[i] && status.size == m_size) readable.push_back(i);
            // Handles beyond the budget are reopened when read.
            if (readable.size() > m_limits.openFiles) files[i].close();
        }
        std::stable_sort(readable.begin(), readable.end(), [&](std::size_t a, std::size_t b) {
            return identityOrder(m_members[a].identity, m_members[b].identity);
        });
        for (std::size_t i : readable) {
            const bool sameFile = !m_readers.empty() &&
                                  m_members[i].identity != platform::FileIdentity{} &&
                                  m_members[i].identity == m_members[m_readers.back().member].identity;
            if (!sameFile) m_readers.push_back({i, std::move(files[i])});
            readerOf[i] = m_readers.size() - 1;
        }
        m_openFiles = 0;
        for (Reader& reader : m_readers) {
            if (!reader.file) continue;
            // Read-ahead pays only for files read in several chunks.
            if (m_size > static_cast<std::int64_t>(kFirstChunk)) reader.file.adviseSequential();
            ++m_openFiles;
        }
        return readerOf;
    }

    bool readChunk(Reader& reader, std::int64_t offset, char* buffer, std::size_t count) {
        if (!reader.file) {
            platform::FileStatus status;
            platform::File file = m_fileSystem.open(m_members[reader.member].path, status);
            if (!file || status.identity != m_members[reader.member].identity ||
                status.size != m_size) {
                return false;
            }
            if (m_openFiles < m_limits.openFiles) ++m_openFiles;
            else return file.readAt(offset, buffer, count) == static_cast<std::int64_t>(count);
            reader.file = std::move(file);
        }
        return reader.file.readAt(offset, buffer, count) == static_cast<std::int64_t>(count);
    }

    void release(Reader& reader) {
        if (reader.file) {
            reader.file.close();
            --m_openFiles;
        }
    }

    std::size_t chunkFor(const Group& group) const {
        const auto remaining = static_cast<std::size_t>(
            std::min<std::int64_t>(m_size - group.offset, static_cast<std::int64_t>(kLargestChunk)));
        std::size_t chunk = group.chunk;
        const std::size_t fits = m_limits.bufferBytes / group.readers.size();
        if (chunk > fits) chunk = std::max(kSmallestChunk, fits / kSmallestChunk * kSmallestChunk);
        return std::min(chunk, remaining);
    }

    void split(const Group& group, std::vector<Group>& pending) {
        const std::size_t chunk = chunkFor(group);
        if (m_buffer.size() < chunk * group.readers.size()) {
            m_buffer.resize(chunk * group.readers.size());
        }
        auto row = [&](std::size_t index) { return &m_buffer[index * chunk]; };

        // A file that can't be read whole keeps the class of its own it started with.
        std::vector<std::size_t> rows;
        for (std::size_t index = 0; index < group.readers.size(); ++index) {
            Reader& reader = m_readers[group.readers[index]];
            if (readChunk(reader, group.offset, row(index), chunk)) {
                rows.push_back(index);
            } else {
                release(reader);
            }
        }
        std::stable_sort(rows.begin(), rows.end(), [&](std::size_t a, std::size_t b) {
            return std::memcmp(row(a), row(b), chunk) < 0;
        });

        const std::int64_t next = group.offset + static_cast<std::int64_t>(chunk);
        for (std::size_t first = 0; first < rows.size();) {
            std::size_t last = first + 1;
            while (last < rows.size() && std::memcmp(row(rows[first]), row(rows[last]), chunk) == 0) {
                ++last;
            }
            Group part;
            part.offset = next;
            part.chunk = std::min(chunk * 8, kLargestChunk);
            for (std::size_t k = first; k < last; ++k) part.readers.push_back(group.readers[rows[k]]);
            std::sort(part.readers.begin(), part.readers.end());
            first = last;

            if (part.readers.size() > 1 && next < m_size) {
                pending.push_back(std::move(part));
                continue;
            }
            const std::uint32_t partClass = m_nextClass++;
            for (std::size_t r : part.readers) {
                if (part.readers.size() > 1) m_readerClass[r] = partClass;
                release(m_readers[r]);
            }
        }
    }

    platform::FileSystem& m_fileSystem;
    const std::int64_t m_size;
    std::vector<RunMember>& m_members;
    const ClassifierLimits& m_limits;
    std::vector<Reader> m_readers;
    std::vector<std::uint32_t> m_readerClass;
    std::vector<char> m_buffer;
    std::size_t m_openFiles = 0;
    std::uint32_t m_nextClass = 0;
};

}  // namespace

void classifyRun(platform::FileSystem& fileSystem, std::int64_t size,
                 std::vector<RunMember>& members, const ClassifierLimits& limits) {
    Classifier(fileSystem, size, members, limits).run();
}
