#include "finder/chunk_reader.h"

#include <algorithm>
#include <cstring>
#include <numeric>

ChunkReader::ChunkReader(const ComparisonParts& parts)
    : m_parts(parts), m_checkWhenRead(!parts.fileSystem.openFilesHinderOthers()) {}

std::vector<bool> ChunkReader::read(BandState& band, const std::vector<std::size_t>& files,
                                    std::int64_t offset, std::size_t count,
                                    const std::vector<char*>& buffers) {
    const std::int64_t end = offset + static_cast<std::int64_t>(count);
    const std::size_t asked = end == band.band.size ? count + 1 : count;
    std::vector<bool> whole(files.size(), false);
    // Indexes into `files`, a batch at a time; those refused for want of handles come
    // round again once the others gave way.
    std::vector<std::size_t>& pending = m_pending;
    pending.resize(files.size());
    std::iota(pending.begin(), pending.end(), std::size_t{0});
    for (std::size_t next = 0; next < pending.size();) {
        const std::size_t first = next;
        next = std::min(pending.size(), next + m_parts.ledger.batch());
        std::vector<QueuedRead>& reads = m_batch;
        reads.assign(next - first, QueuedRead{});
        m_toOpen.clear();
        for (std::size_t b = first; b < next; ++b) {
            BandFile& file = band.files[files[pending[b]]];
            QueuedRead& read = reads[b - first];
            if (copyEarly(file, offset, buffers[pending[b]], asked, read.result)) {
                read.done = true;
            } else if (!file.file && !file.failed) {
                m_toOpen.push_back(files[pending[b]]);
            }
        }
        m_parts.closing.closeNow();
        const std::vector<std::size_t> refused =
            openBandFiles(m_parts, band, m_toOpen, OpenLedger::Use::band);
        const std::size_t openNow = m_parts.ledger.open();
        for (std::size_t b = first; b < next; ++b) {
            const BandFile& file = band.files[files[pending[b]]];
            QueuedRead& read = reads[b - first];
            if (read.done || !file.file) continue;
            m_parts.reads.start(file.file.file(), offset, buffers[pending[b]], asked, read, true);
        }

        std::vector<const platform::File*> sequential;
        for (std::size_t b = first; b < next; ++b) {
            const std::size_t f = files[pending[b]];
            if (std::find(refused.begin(), refused.end(), f) != refused.end()) continue;
            BandFile& file = band.files[f];
            QueuedRead& read = reads[b - first];
            m_parts.reads.wait(read);
            whole[pending[b]] = !file.failed && read.result == static_cast<std::int64_t>(count);
            if (!whole[pending[b]]) {
                file.failed = true;
                close(file);
            } else {
                readThrough(band, file, offset, end, sequential);
            }
        }
        if (!sequential.empty())
            m_parts.fileSystem.adviseAll(sequential, platform::Access::sequential);
        m_parts.closing.closeNow();

        if (refused.empty()) continue;
        if (relieve(openNow)) {
            for (std::size_t b = first; b < next; ++b) {
                if (std::find(refused.begin(), refused.end(), files[pending[b]]) != refused.end()) {
                    pending.push_back(pending[b]);
                }
            }
        } else {
            m_incomplete = true;
            for (const std::size_t f : refused) band.files[f].failed = true;
        }
    }
    return whole;
}

// The file's bytes before `end` are read. Open beyond its share, it is closed; reading
// on through a middle of several chunks, the system may read ahead for it.
void ChunkReader::readThrough(BandState& band, BandFile& file, std::int64_t offset,
                              std::int64_t end, std::vector<const platform::File*>& sequential) {
    if (offset <= file.readTo && end > file.readTo) file.readTo = end;
    if (end == band.band.size) file.readFrom = std::min(file.readFrom, offset);
    if (!m_parts.ledger.mayKeep(OpenLedger::Use::band)) {
        close(file);
    } else if (file.file && !file.advised && offset >= kHeadBytes && !file.readWhole()) {
        file.advised = true;
        sequential.push_back(&file.file.file());
    }
}

// A file written while it was read may match bytes it never held all at once. Closed
// already, it is looked at by name with the other names.
void ChunkReader::checkUnchanged(BandFile& file) {
    platform::FileStatus now;
    if (!file.file) {
        file.checkByName = true;
    } else if (!file.file.file().status(now) || now.size != file.opened.size ||
               now.stamps != file.opened.stamps) {
        file.failed = true;
    }
}

// The bytes at `offset`, if they were read early: `got` as readAt gives it. Kept for a
// second read of the same bytes, which hashing a large group makes.
bool ChunkReader::copyEarly(BandFile& file, std::int64_t offset, char* buffer, std::size_t asked,
                            std::int64_t& got) {
    if (file.early == nullptr) return false;
    for (EarlyRead& early : *file.early) {
        if (early.offset != offset || early.bytes.size() != asked) continue;
        m_parts.reads.wait(early.read);
        got = early.read.result;
        if (got > 0) std::memcpy(buffer, early.bytes.data(), static_cast<std::size_t>(got));
        return true;
    }
    return false;
}

void ChunkReader::release(BandFile& file, bool paired) {
    if (paired && m_checkWhenRead) checkUnchanged(file);
    close(file);
}

// Reads of it still in flight are waited for first.
void ChunkReader::close(BandFile& file) {
    if (!file.file) return;
    if (file.early != nullptr) {
        for (EarlyRead& early : *file.early) m_parts.reads.wait(early.read);
    }
    m_parts.closing.add(file.file);
}

bool ChunkReader::relieve(std::size_t openAtRefusal) {
    m_parts.reads.waitAll();
    bool any = false;
    for (BandState& band : m_parts.bands) {
        for (BandFile& file : band.files) {
            any = any || static_cast<bool>(file.file);
            m_parts.closing.add(file.file);
        }
    }
    m_parts.closing.closeNow();
    m_parts.ledger.shrinkTo(openAtRefusal);
    // With nothing of its own open, the kept directories are what the system is short of.
    return any || openAtRefusal > 0 || m_parts.directories.giveWay();
}
