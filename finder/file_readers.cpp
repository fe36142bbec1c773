#include "finder/file_readers.h"

#include <algorithm>

#include "finder/run_files.h"

FileReaders::FileReaders(platform::FileSystem& fileSystem, std::vector<RunMember>& members,
                         std::size_t openFiles, ReadAhead* ahead)
    : m_fileSystem(fileSystem),
      m_members(members),
      m_openFiles(openFiles),
      m_batch(std::clamp<std::size_t>(openFiles / 2, 1, 64)),
      m_ahead(ahead),
      m_readerOf(members.size()),
      m_gone(members.size(), false) {
    std::vector<platform::FileStatus> listed;
    listed.reserve(members.size());
    for (const RunMember& member : members) listed.push_back(member.listed);
    for (auto& names : distinctFiles(listed)) {
        for (const std::size_t member : names) m_readerOf[member] = m_readers.size();
        m_readers.emplace_back().members = std::move(names);
    }
}

std::vector<bool> FileReaders::readInto(const std::vector<std::size_t>& readers,
                                        std::int64_t offset, std::size_t count, bool last,
                                        const std::vector<char*>& buffers) {
    const bool reachesEnd =
        offset + static_cast<std::int64_t>(count) == m_members.front().listed.size;
    const std::size_t asked = reachesEnd ? count + 1 : count;
    std::vector<bool> whole(readers.size(), false);

    struct Pending {
        platform::File opened;  // for this batch only, unless kept
        QueuedRead read;
    };
    std::vector<platform::File> done;
    for (std::size_t begin = 0; begin < readers.size(); begin += m_batch) {
        const std::size_t end = std::min(readers.size(), begin + m_batch);
        std::vector<Pending> batch(end - begin);
        for (std::size_t k = begin; k < end; ++k) {
            Reader& reader = m_readers[readers[k]];
            Pending& pending = batch[k - begin];
            if (!reader.file) {
                pending.opened = reopen(reader);
                if (!pending.opened) continue;
            }
            const platform::File& file = reader.file ? reader.file : pending.opened;
            if (reader.early != nullptr &&
                m_ahead->copy(*reader.early, offset, buffers[k], asked, pending.read.result)) {
                pending.read.done = true;
            } else if (m_ahead != nullptr) {
                m_ahead->start(file, offset, buffers[k], asked, pending.read);
            } else {
                pending.read.result = file.readAt(offset, buffers[k], asked);
                pending.read.done = true;
            }
        }
        for (std::size_t k = begin; k < end; ++k) {
            Reader& reader = m_readers[readers[k]];
            Pending& pending = batch[k - begin];
            if (!reader.file && !pending.opened) {
                reader.failed = true;
                continue;
            }
            if (pending.read.queued) m_ahead->wait(pending.read);
            whole[k] = pending.read.result == static_cast<std::int64_t>(count);
            reader.failed = !whole[k];
            // Files beyond the budget are opened again for each chunk.
            if (pending.opened && whole[k] && !last && m_kept < m_openFiles) {
                // Read-ahead pays only for files read in several chunks.
                pending.opened.advise(platform::Access::sequential);
                reader.file = std::move(pending.opened);
                ++m_kept;
            }
            if (pending.opened) done.push_back(std::move(pending.opened));
        }
        m_fileSystem.closeAll(done);
    }
    return whole;
}

void FileReaders::release(std::size_t reader) {
    if (m_readers[reader].file) {
        m_readers[reader].file.close();
        --m_kept;
    }
}

platform::File FileReaders::openName(std::size_t member, EarlyRead** earlyRead) {
    // Only the first opening of a name can come from the read-ahead.
    if (EarlyRead* early = m_ahead != nullptr ? m_ahead->claim(member) : nullptr) {
        if (early->opened) {
            if (earlyRead != nullptr) *earlyRead = early;
            return m_ahead->take(*early);
        }
        m_gone[member] = true;
        return {};
    }
    platform::File file =
        openAsListed(m_fileSystem, m_members[member].path, m_members[member].listed);
    if (!file) m_gone[member] = true;
    return file;
}

// By the name that opened it before, or else the first name that still leads to it.
platform::File FileReaders::reopen(Reader& reader) {
    if (reader.opener != kNone) return openName(reader.opener);
    for (const std::size_t member : reader.members) {
        platform::File file = openName(member, &reader.early);
        if (file) {
            reader.opener = member;
            return file;
        }
    }
    return {};
}

// The status by name, after the last read: a name replaced since it was opened, even
// by an equal copy, lends nothing, and a file written while it was read may match
// bytes it never held all at once, so its stamps must not have moved since the listing.
void FileReaders::checkNames(const std::vector<bool>& mustCheck) {
    for (std::size_t i = 0; i < m_members.size(); ++i) {
        if (!mustCheck[i] || m_gone[i]) continue;
        const platform::FileStatus& listed = m_members[i].listed;
        platform::FileStatus now;
        if (!m_fileSystem.statusAt(m_members[i].path, now) || !listed.identity.known() ||
            now.identity != listed.identity || now.size != listed.size) {
            m_gone[i] = true;
        } else if (now.stamps != listed.stamps) {
            m_readers[m_readerOf[i]].failed = true;
        }
    }
    for (std::size_t i = 0; i < m_members.size(); ++i) m_members[i].opened = !m_gone[i];
}
