#include "finder/band_reader.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "finder/content_hash.h"
#include "finder/distinct_files.h"
#include "platform/system.h"

namespace {

// Files opened together: one ring's worth.
constexpr std::size_t kMostAtOnce = 64;

// Bytes of a file's head, and the bytes asked for them: one more where the head is the
// whole file, so a file grown since the listing never passes.
std::size_t headBytes(std::int64_t size) {
    return static_cast<std::size_t>(std::min(size, kHeadBytes));
}
std::size_t headAsked(std::int64_t size) {
    return size <= kHeadBytes ? static_cast<std::size_t>(size) + 1 : headBytes(size);
}

std::uint64_t metTwice(std::int64_t size) {
    return static_cast<std::uint64_t>(size) | std::uint64_t{1} << 63;
}

std::uint32_t digestOf(const char* bytes, std::size_t count) {
    const std::uint64_t hash = hashBytes(bytes, count);
    const auto digest = static_cast<std::uint32_t>(hash ^ (hash >> 32));
    return digest != 0 ? digest : 1;  // 0 says the head was not read
}

}  // namespace

BandReader::BandReader(platform::FileSystem& fileSystem, Catalogue& files, std::size_t budget)
    : m_fileSystem(fileSystem),
      m_files(files),
      m_budget(std::max<std::size_t>(budget, 1)),
      m_mayHold(!fileSystem.openFilesHinderOthers()),
      m_shares(shareOut(m_budget, m_mayHold)),
      m_reads(fileSystem.readQueue()) {}

BandReader::~BandReader() {
    m_reads.waitAll();
    while (!m_bands.empty()) {
        m_bands.front().entered = true;
        leaveBand();
    }
    giveWay();
}

BandReader::Shares BandReader::shareOut(std::size_t budget, bool mayHold) {
    // A few hundred files ahead keep the disk busy; more would only hold memory.
    constexpr std::size_t kMostAhead = 256;
    constexpr std::size_t kMostBetweenChunks = 4096;
    // Each held file costs the kernel some memory for the whole run.
    constexpr std::size_t kMostHeld = 65536;
    Shares shares{};
    shares.ahead = std::min(budget / 4, kMostAhead);
    shares.betweenChunks = std::min(budget / 2, kMostBetweenChunks);
    shares.batch = std::clamp<std::size_t>(shares.betweenChunks / 2, 1, kMostAtOnce);
    // Files open between chunks take their room only as held files are read and closed.
    const std::size_t used = shares.ahead + shares.batch;
    shares.held = mayHold && budget > used ? std::min(budget - used, kMostHeld) : 0;
    return shares;
}

void BandReader::openListed(platform::DirectoryListing& listing,
                            const std::vector<std::string>& names,
                            const std::vector<std::string>& paths, std::size_t mayHold,
                            std::vector<ListedFile>& listed) {
    listed.assign(names.size(), ListedFile{});
    // Files of the listing are open together only beside the held ones.
    std::size_t atOnce = std::min(kMostAtOnce, m_budget - std::min(m_budget - 1, m_shares.held));
    std::deque<std::size_t> todo;
    for (std::size_t k = 0; k < names.size(); ++k) todo.push_back(k);
    while (!todo.empty()) {
        std::vector<std::size_t> slice;
        while (slice.size() < atOnce && !todo.empty()) {
            slice.push_back(todo.front());
            todo.pop_front();
        }
        std::vector<platform::OpenedFile> opened;
        if (slice.size() == names.size()) {
            listing.openFiles(names, paths, opened);
        } else {
            std::vector<std::string> sliceNames;
            std::vector<std::string> slicePaths;
            for (const std::size_t k : slice) {
                sliceNames.push_back(names[k]);
                slicePaths.push_back(paths[k]);
            }
            listing.openFiles(sliceNames, slicePaths, opened);
        }
        std::vector<std::size_t> refused;
        std::size_t openNow = m_open;
        for (std::size_t j = 0; j < slice.size(); ++j) {
            if (opened[j].file) {
                ++openNow;
            } else if (platform::isOutOfHandles(opened[j].error)) {
                refused.push_back(slice[j]);
            }
        }
        takeListed(opened, slice, mayHold, listed);
        if (refused.empty()) continue;
        // What was open when the system refused is all it allows: try again alone.
        if (relieve(openNow)) {
            atOnce = 1;
            todo.insert(todo.begin(), refused.begin(), refused.end());
        } else {
            m_incomplete = true;
        }
    }
}

// A file of a size met before is compared for sure: its head is read while it is open
// anyway, and it need not be opened again unless another head has its digest. The
// files most likely to be read again are held, where there is room: the first of each
// size, and those whose digest another of their size has.
void BandReader::takeListed(std::vector<platform::OpenedFile>& opened,
                            const std::vector<std::size_t>& slice, std::size_t mayHold,
                            std::vector<ListedFile>& listed) {
    std::vector<std::size_t> heads;
    std::vector<std::size_t> holds;
    std::vector<std::size_t> firsts;  // of their size, among holds
    std::vector<const platform::File*> advised;
    const auto holdable = [&](std::size_t j, bool sure) {
        if (slice[j] >= mayHold || !m_mayHold) return false;
        // A file sure to be read takes the place of one of a size still alone.
        if (sure && m_heldOpen + holds.size() >= m_shares.held) closeAnAloneHeld();
        return m_heldOpen + holds.size() < m_shares.held;
    };
    for (std::size_t j = 0; j < slice.size(); ++j) {
        if (!opened[j].file) continue;
        const std::int64_t size = opened[j].status.size;
        m_sizesListed.prefetch(static_cast<std::uint64_t>(size));
        m_sizesListed.prefetch(metTwice(size));
    }
    for (std::size_t j = 0; j < slice.size(); ++j) {
        if (!opened[j].file) continue;
        ListedFile& file = listed[slice[j]];
        file.opened = true;
        file.status = opened[j].status;
        const std::int64_t size = file.status.size;
        if (size <= 0) continue;
        if (!m_sizesListed.insert(static_cast<std::uint64_t>(size))) {
            m_sizesListed.insert(metTwice(size));
            heads.push_back(j);
        } else if (holdable(j, false)) {
            holds.push_back(j);
            firsts.push_back(j);
        } else {
            continue;
        }
        // Only the head is wanted now: the system need not read further ahead.
        if (size > kHeadBytes) advised.push_back(&opened[j].file);
    }
    if (!advised.empty()) m_fileSystem.adviseAll(advised, platform::Access::random);

    // Heads side by side, each on a cache line of its own: the copy from the system goes
    // fastest to aligned memory.
    constexpr std::size_t kLine = 64;
    const std::size_t stride = static_cast<std::size_t>(kHeadBytes) + kLine;
    if (m_headBuffer.size() < heads.size() * stride + kLine) {
        m_headBuffer.resize(heads.size() * stride + kLine);
    }
    char* const first = m_headBuffer.data() +
                        (kLine - reinterpret_cast<std::uintptr_t>(m_headBuffer.data()) % kLine);
    std::vector<QueuedRead> reads(heads.size());
    for (std::size_t h = 0; h < heads.size(); ++h) {
        const platform::OpenedFile& file = opened[heads[h]];
        m_reads.start(file.file, 0, first + h * stride, headAsked(file.status.size), reads[h],
                      false);
    }
    const auto keyOf = [](const ListedFile& file) {
        return static_cast<std::uint64_t>(file.status.size) * 0x9E3779B97F4A7C15ull ^ file.head;
    };
    for (std::size_t h = 0; h < heads.size(); ++h) {
        m_reads.wait(reads[h]);
        ListedFile& file = listed[slice[heads[h]]];
        const std::size_t count = headBytes(file.status.size);
        if (reads[h].result != static_cast<std::int64_t>(count)) continue;
        file.head = digestOf(first + h * stride, count);
        m_headsListed.prefetch(keyOf(file));
    }
    for (const std::size_t j : heads) {
        const ListedFile& file = listed[slice[j]];
        if (file.head != 0 && !m_headsListed.insert(keyOf(file)) && holdable(j, true)) {
            holds.push_back(j);
        }
    }

    for (const std::size_t j : holds) {
        const auto held = static_cast<std::uint32_t>(m_held.size());
        listed[slice[j]].held = held;
        m_held.push_back(std::move(opened[j].file));
        ++m_heldOpen;
        ++m_open;
    }
    for (const std::size_t j : firsts) {
        m_aloneHeld.emplace_back(listed[slice[j]].status.size, listed[slice[j]].held);
    }
    for (platform::OpenedFile& file : opened) {
        if (file.file) m_toClose.push_back(std::move(file.file));
    }
    closeNow();
}

void BandReader::closeAnAloneHeld() {
    while (!m_aloneHeld.empty()) {
        const auto [size, held] = m_aloneHeld.front();
        m_aloneHeld.pop_front();
        platform::File& file = m_held[held];
        if (!file || m_sizesListed.contains(metTwice(size))) continue;
        --m_heldOpen;
        --m_open;
        m_toClose.push_back(std::move(file));
        return;
    }
}

bool BandReader::giveWay() {
    std::vector<platform::File> files;
    for (platform::File& file : m_held) {
        if (file) files.push_back(std::move(file));
    }
    m_open -= m_heldOpen;
    m_heldOpen = 0;
    m_mayHold = false;
    m_shares = shareOut(m_budget, false);
    if (files.empty()) return false;
    m_fileSystem.closeAll(files);
    return true;
}

// Files of a size no other file has are never read: those held are all first of their
// size, and their size was not met again.
void BandReader::listingDone() {
    for (const auto& [size, held] : m_aloneHeld) {
        if (m_held[held] && !m_sizesListed.contains(metTwice(size))) {
            --m_heldOpen;
            --m_open;
            m_toClose.push_back(std::move(m_held[held]));
        }
    }
    closeNow();
    m_sizesListed.clear();
    m_headsListed.clear();
    std::deque<std::pair<std::int64_t, std::uint32_t>>().swap(m_aloneHeld);
    std::vector<char>().swap(m_headBuffer);
}

const Band* BandReader::nextBand() {
    if (!m_bands.empty() && m_bands.front().entered) leaveBand();
    if (m_bands.empty() && !addBand()) return nullptr;
    BandState& band = m_bands.front();
    band.entered = true;
    // Its files read ahead are now open between its chunks.
    for (BandFile& file : band.files) {
        if (!file.openedAhead) continue;
        file.openedAhead = false;
        --m_openAhead;
        ++m_openBetweenChunks;
    }
    // Which files may pair is known only once every head is.
    while (band.unknownNext < band.unknown.size()) {
        std::vector<std::size_t> files;
        while (files.size() < m_shares.batch && band.unknownNext < band.unknown.size()) {
            files.push_back(band.unknown[band.unknownNext++]);
        }
        startHeads(band, files);
        for (const std::size_t f : files) {
            if (m_openBetweenChunks > m_shares.betweenChunks) closeFile(band.files[f]);
        }
    }
    for (const std::size_t f : band.unknown) {
        if (band.files[f].early != nullptr) m_reads.wait((*band.files[f].early)[0].read);
    }
    headsKnown(band);
    fill();
    return &band.band;
}

// The next band that will be compared, if any.
bool BandReader::addBand() {
    while (m_nextBand < m_files.size()) {
        const std::size_t begin = m_nextBand;
        const std::size_t end = m_files.bandEnd(begin);
        m_nextBand = end;
        if (!m_files.isComparableBand(begin, end)) continue;

        BandState& state = m_bands.emplace_back();
        state.band.begin = begin;
        state.band.end = end;
        state.band.size = m_files[begin].size;
        std::vector<platform::FileStatus>& listed = m_statuses;
        listed.clear();
        for (std::size_t k = begin; k < end; ++k) listed.push_back(m_files[k].status());
        distinctFiles(listed, state.band.names, state.band.firstName);
        for (std::size_t& name : state.band.names) name += begin;
        state.gone.assign(end - begin, false);
        state.files.resize(state.band.fileCount());
        for (std::size_t f = 0; f < state.files.size(); ++f) {
            BandFile& file = state.files[f];
            file.readFrom = state.band.size;
            for (const std::size_t name : state.band.namesOf(f)) {
                const Catalogue::Entry& entry = m_files[name];
                if (file.head == 0) file.head = entry.head;
                file.held = file.held || entry.held != Catalogue::kNotHeld;
            }
            // Names of one file alone are never read.
            if (file.head == 0 && state.files.size() > 1) state.unknown.push_back(f);
        }
        if (state.unknown.empty()) headsKnown(state);
        return true;
    }
    return false;
}

// Once every head of the band is known, a file whose head's digest no other file has
// can't pair, where every digest is known: it is never read again.
void BandReader::headsKnown(BandState& band) {
    if (band.headsKnown) return;
    band.headsKnown = true;
    const std::int64_t size = band.band.size;
    std::vector<std::uint32_t>& heads = m_heads;
    heads.clear();
    for (const std::size_t f : band.unknown) {
        BandFile& file = band.files[f];
        if (file.early == nullptr) continue;
        const EarlyRead& head = (*file.early)[0];
        if (head.read.done && head.read.result == static_cast<std::int64_t>(headBytes(size))) {
            file.head = digestOf(head.bytes.data(), headBytes(size));
        }
    }
    for (const BandFile& file : band.files) heads.push_back(file.head);
    std::sort(heads.begin(), heads.end());
    const bool allKnown = heads.empty() || heads.front() != 0;
    for (std::size_t f = 0; band.files.size() > 1 && f < band.files.size(); ++f) {
        BandFile& file = band.files[f];
        const auto same = std::equal_range(heads.begin(), heads.end(), file.head);
        if (!allKnown || same.second - same.first > 1) {
            band.mayPair.push_back(f);
            continue;
        }
        closeFile(file);
        if (file.early != nullptr) giveBack((*file.early)[0].bytes);
        closeHeld(band, f);
    }
    closeNow();
}

// Once half the files read ahead are taken, opens more, up to their share, so that files
// are opened and read many at a time: first the heads the listing did not read, band by
// band, then, in bands whose heads are known, the head and last block of every file
// that may pair.
void BandReader::fill() {
    // Heads come in roughly in band order: bands learn theirs are known in that order.
    while (m_bandsKnown < m_bands.size()) {
        BandState& band = m_bands[m_bandsKnown];
        while (band.unknownDone < band.unknownNext) {
            const BandFile& file = band.files[band.unknown[band.unknownDone]];
            if (file.early != nullptr && !(*file.early)[0].read.done) break;
            ++band.unknownDone;
        }
        if (!band.headsKnown && band.unknownDone < band.unknown.size()) break;
        headsKnown(band);
        ++m_bandsKnown;
    }
    if (m_openAhead > m_shares.ahead / 2) return;
    std::size_t room = std::min(m_shares.ahead - m_openAhead, roomLeft());
    for (std::size_t b = m_bandsStarted; room > 0; ++b) {
        if (b == m_bands.size()) {
            // Bands whose files can't be opened hold nothing open: bound them apart.
            if (m_bands.size() > m_shares.ahead || !addBand()) break;
        }
        BandState& band = m_bands[b];
        std::vector<std::size_t> heads;
        while (heads.size() < room && band.unknownNext < band.unknown.size()) {
            heads.push_back(band.unknown[band.unknownNext++]);
        }
        room -= startHeads(band, heads);
        if (!band.headsKnown) continue;
        std::vector<std::size_t> rest;
        while (rest.size() < room && band.aheadNext < band.mayPair.size()) {
            const std::size_t f = band.mayPair[band.aheadNext++];
            const BandFile& file = band.files[f];
            // A file the comparison read already, or closed since, is read only when asked.
            const bool unread = file.readTo == 0 && file.readFrom == band.band.size;
            if (!file.failed && unread && (file.file || file.opener == kNone)) rest.push_back(f);
        }
        room -= startMayPair(band, rest);
        if (b == m_bandsStarted && band.aheadNext == band.mayPair.size()) ++m_bandsStarted;
    }
}

// Opens the files, held since the listing or by name, and starts the reads of their
// heads. Returns how many opened.
std::size_t BandReader::startHeads(BandState& band, const std::vector<std::size_t>& files) {
    const std::vector<std::size_t> opened = openAhead(band, files);
    for (const std::size_t f : opened) {
        BandFile& file = band.files[f];
        EarlyRead& head = earlyOf(file)[0];
        head.bytes = buffer(headAsked(band.band.size));
        head.offset = 0;
        m_reads.start(file.file, 0, head.bytes.data(), head.bytes.size(), head.read, false);
    }
    return opened.size();
}

// Opens the files that may pair and starts the reads of whatever the comparison will
// ask first and was not read yet: the head, and the last block where it comes next.
std::size_t BandReader::startMayPair(BandState& band, const std::vector<std::size_t>& files) {
    const std::int64_t size = band.band.size;
    std::size_t opened = 0;
    std::vector<std::size_t> toOpen;
    for (const std::size_t f : files) {
        if (!band.files[f].file) toOpen.push_back(f);
    }
    opened = openAhead(band, toOpen).size();
    for (const std::size_t f : files) {
        BandFile& file = band.files[f];
        if (!file.file) continue;
        EarlyRead& head = earlyOf(file)[0];
        if (!head.read.started) {
            head.bytes = buffer(headAsked(size));
            head.offset = 0;
            m_reads.start(file.file, 0, head.bytes.data(), head.bytes.size(), head.read, false);
        }
        if (size <= kHeadBytes + kTailBytes) continue;
        // The last block reaches the end: one byte more tells a file grown since.
        EarlyRead& tail = (*file.early)[1];
        tail.bytes = buffer(static_cast<std::size_t>(kTailBytes) + 1);
        tail.offset = size - kTailBytes;
        m_reads.start(file.file, tail.offset, tail.bytes.data(), tail.bytes.size(), tail.read,
                      false);
    }
    return opened;
}

// The files held since the listing are the very files listed, with nothing to resolve;
// the others are opened by name, and told to read nothing ahead of the comparison.
std::vector<std::size_t> BandReader::openAhead(BandState& band,
                                               const std::vector<std::size_t>& files) {
    std::vector<std::size_t> opened;
    std::vector<std::size_t> byName;
    for (const std::size_t f : files) {
        BandFile& file = band.files[f];
        const std::span<const std::size_t> names = band.band.namesOf(f);
        for (std::size_t n = 0; file.held && !file.file && n < names.size(); ++n) {
            file.file = takeHeld(names[n]);
            if (file.file) file.opener = n;
        }
        if (file.file) {
            ++m_open;
            countOpen(band, file);
            opened.push_back(f);
        } else {
            byName.push_back(f);
        }
    }
    openByName(band, byName, true);
    std::vector<const platform::File*> advised;
    for (const std::size_t f : byName) {
        if (!band.files[f].file) continue;
        opened.push_back(f);
        if (band.band.size > kHeadBytes) advised.push_back(&band.files[f].file);
    }
    if (!advised.empty()) m_fileSystem.adviseAll(advised, platform::Access::random);
    return opened;
}

BandReader::EarlyReads& BandReader::earlyOf(BandFile& file) {
    if (file.early == nullptr) file.early = std::make_unique<EarlyReads>();
    return *file.early;
}

void BandReader::countOpen(const BandState& band, BandFile& file) {
    file.openedAhead = !band.entered;
    ++(band.entered ? m_openBetweenChunks : m_openAhead);
}

std::vector<std::size_t> BandReader::openByName(BandState& band, std::vector<std::size_t> files,
                                                bool ahead) {
    std::vector<std::size_t> refused;
    while (!files.empty()) {
        std::vector<const char*> paths;
        std::vector<std::size_t> trying;  // the name each file is opened by
        std::vector<std::size_t> which;
        for (const std::size_t f : files) {
            const BandFile& file = band.files[f];
            const std::span<const std::size_t> names = band.band.namesOf(f);
            // By the name that opened it before, or else the first that still leads to it.
            std::size_t n = file.opener;
            if (n == kNone) {
                n = 0;
                while (n < names.size() && band.gone[names[n] - band.band.begin]) ++n;
                if (n == names.size()) continue;
            }
            paths.push_back(m_files[names[n]].path);
            trying.push_back(n);
            which.push_back(f);
        }
        if (paths.empty()) break;
        std::vector<platform::OpenedFile> opened;
        m_fileSystem.openAll(paths, opened);
        files.clear();
        for (std::size_t j = 0; j < which.size(); ++j) {
            BandFile& file = band.files[which[j]];
            const std::size_t name = band.band.namesOf(which[j])[trying[j]];
            if (opened[j].file && isAsListed(opened[j].status, m_files[name].status())) {
                file.file = std::move(opened[j].file);
                file.opener = trying[j];
                ++m_open;
                countOpen(band, file);
            } else if (platform::isOutOfHandles(opened[j].error)) {
                refused.push_back(which[j]);
            } else {
                band.gone[name - band.band.begin] = true;
                if (file.opener == kNone) files.push_back(which[j]);
            }
        }
        for (platform::OpenedFile& other : opened) {
            if (other.file) m_toClose.push_back(std::move(other.file));
        }
    }
    closeNow();
    // The read-ahead opens nothing more than the system allows now.
    if (ahead && !refused.empty()) m_shares.ahead = m_openAhead;
    return refused;
}

std::uint32_t BandReader::headDigest(std::size_t file) const {
    return m_bands.front().files[file].head;
}

std::vector<bool> BandReader::readInto(const std::vector<std::size_t>& files, std::int64_t offset,
                                       std::size_t count, const std::vector<char*>& buffers) {
    fill();
    BandState& band = m_bands.front();
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
        next = std::min(pending.size(), next + m_shares.batch);
        std::vector<QueuedRead>& reads = m_batchReads;
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
        const std::vector<std::size_t> refused = openByName(band, m_toOpen, false);
        const std::size_t openNow = m_open;
        for (std::size_t b = first; b < next; ++b) {
            const BandFile& file = band.files[files[pending[b]]];
            QueuedRead& read = reads[b - first];
            if (read.done || !file.file) continue;
            m_reads.start(file.file, offset, buffers[pending[b]], asked, read, true);
        }

        std::vector<const platform::File*> sequential;
        for (std::size_t b = first; b < next; ++b) {
            const std::size_t f = files[pending[b]];
            BandFile& file = band.files[f];
            if (std::find(refused.begin(), refused.end(), f) != refused.end()) continue;
            QueuedRead& read = reads[b - first];
            m_reads.wait(read);
            whole[pending[b]] = !file.failed && read.result == static_cast<std::int64_t>(count);
            if (!whole[pending[b]]) {
                file.failed = true;
                closeFile(file);
                continue;
            }
            if (offset <= file.readTo && end > file.readTo) file.readTo = end;
            if (end == band.band.size) file.readFrom = std::min(file.readFrom, offset);
            const bool done = file.readTo >= file.readFrom;
            // Files beyond the share are opened again for each chunk.
            if (done || m_openBetweenChunks > m_shares.betweenChunks || roomLeft() == 0) {
                closeFile(file);
            } else if (file.file && !file.advised && offset >= kHeadBytes &&
                       file.readTo < file.readFrom) {
                // Reading ahead pays only for files whose middle takes several chunks.
                file.advised = true;
                sequential.push_back(&file.file);
            }
        }
        if (!sequential.empty()) m_fileSystem.adviseAll(sequential, platform::Access::sequential);
        closeNow();

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

// The bytes at `offset`, if they were read early: `got` as readAt gives it. Kept for a
// second read of the same bytes, which hashing a large group makes.
bool BandReader::copyEarly(BandFile& file, std::int64_t offset, char* buffer, std::size_t asked,
                           std::int64_t& got) {
    if (file.early == nullptr) return false;
    for (EarlyRead& early : *file.early) {
        if (!early.read.started || early.offset != offset || early.bytes.size() != asked) continue;
        m_reads.wait(early.read);
        got = early.read.result;
        if (got > 0) std::memcpy(buffer, early.bytes.data(), static_cast<std::size_t>(got));
        return true;
    }
    return false;
}

void BandReader::release(std::size_t file) {
    BandState& band = m_bands.front();
    closeFile(band.files[file]);
    closeNow();
}

void BandReader::finishBand(const std::vector<std::uint32_t>& classes, bool checkEveryName,
                            std::vector<BandName>& names) {
    BandState& state = m_bands.front();
    const Band& band = state.band;
    std::uint32_t nextClass = 0;
    for (const std::uint32_t fileClass : classes) nextClass = std::max(nextClass, fileClass + 1);
    // The names of a file that failed are not even identical to each other.
    const auto assign = [&] {
        names.assign(band.end - band.begin, BandName{});
        for (std::size_t f = 0; f < band.fileCount(); ++f) {
            for (const std::size_t name : band.namesOf(f)) {
                names[name - band.begin].contentClass =
                    state.files[f].failed ? nextClass++ : classes[f];
            }
        }
    };
    assign();
    std::vector<std::size_t> classSize(nextClass, 0);
    for (const BandName& name : names) ++classSize[name.contentClass];

    // The status by name, after the last read: a name replaced since it was opened, even
    // by an equal copy, lends nothing, and a file written while it was read may match
    // bytes it never held all at once, so its stamps must not have moved since the listing.
    for (std::size_t f = 0; f < band.fileCount(); ++f) {
        for (const std::size_t name : band.namesOf(f)) {
            const std::size_t k = name - band.begin;
            if (state.gone[k] || (!checkEveryName && classSize[names[k].contentClass] < 2))
                continue;
            const Catalogue::Entry& listed = m_files[name];
            platform::FileStatus now;
            if (!m_fileSystem.statusAt(listed.path, now) || !isAsListed(now, listed.status())) {
                state.gone[k] = true;
            } else if (now.stamps != listed.stamps) {
                state.files[f].failed = true;
            }
        }
    }
    assign();
    for (std::size_t k = 0; k < names.size(); ++k) names[k].opened = !state.gone[k];
}

void BandReader::closeHeld(BandState& band, std::size_t file) {
    if (!band.files[file].held) return;
    band.files[file].held = false;
    for (const std::size_t name : band.band.namesOf(file)) {
        if (platform::File held = takeHeld(name)) m_toClose.push_back(std::move(held));
    }
}

platform::File BandReader::takeHeld(std::size_t position) {
    const std::uint32_t held = m_files[position].held;
    if (held == Catalogue::kNotHeld || !m_held[held]) return {};
    --m_heldOpen;
    --m_open;
    return std::move(m_held[held]);
}

void BandReader::leaveBand() {
    BandState& band = m_bands.front();
    for (BandFile& file : band.files) {
        if (file.early != nullptr) {
            for (EarlyRead& early : *file.early) {
                m_reads.wait(early.read);
                giveBack(early.bytes);
            }
        }
        closeFile(file);
    }
    for (std::size_t f = 0; f < band.files.size(); ++f) closeHeld(band, f);
    closeNow();
    m_bands.pop_front();
    m_bandsKnown -= std::min<std::size_t>(m_bandsKnown, 1);
    m_bandsStarted -= std::min<std::size_t>(m_bandsStarted, 1);
}

// Its reads must be done.
void BandReader::closeFile(BandFile& file) {
    if (!file.file) return;
    if (file.early != nullptr) {
        for (EarlyRead& early : *file.early) m_reads.wait(early.read);
    }
    --m_open;
    --(file.openedAhead ? m_openAhead : m_openBetweenChunks);
    file.openedAhead = false;
    m_toClose.push_back(std::move(file.file));
}

std::size_t BandReader::roomLeft() const {
    const std::size_t inUse = m_open + m_shares.batch;
    return m_budget > inUse ? m_budget - inUse : 0;
}

void BandReader::closeNow() {
    if (!m_toClose.empty()) m_fileSystem.closeAll(m_toClose);
}

bool BandReader::relieve(std::size_t openAtRefusal) {
    m_reads.waitAll();
    const bool anyHeld = giveWay();
    bool any = anyHeld;
    for (BandState& band : m_bands) {
        for (BandFile& file : band.files) {
            any = any || static_cast<bool>(file.file);
            closeFile(file);
        }
    }
    closeNow();
    m_budget = std::max<std::size_t>(openAtRefusal, 1);
    m_shares = shareOut(m_budget, false);
    return any || openAtRefusal > 0;
}

std::vector<char> BandReader::buffer(std::size_t size) {
    std::vector<char> bytes;
    if (!m_spare.empty()) {
        bytes = std::move(m_spare.back());
        m_spare.pop_back();
    }
    bytes.resize(size);
    return bytes;
}

void BandReader::giveBack(std::vector<char>& bytes) {
    if (bytes.capacity() == 0) return;
    bytes.clear();
    if (m_spare.size() < 2 * m_shares.ahead + 2) m_spare.push_back(std::move(bytes));
    bytes = std::vector<char>();
}
