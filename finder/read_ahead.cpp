#include "finder/read_ahead.h"

#include <algorithm>

#include "finder/content_hash.h"

namespace {

// Bands of files that could not be opened hold nothing open: they are bound apart.
constexpr std::size_t kMostBands = 256;
// Buffers of heads and last blocks held at once, a few MiB.
constexpr std::size_t kMostBuffers = 1024;

}  // namespace

ReadAhead::ReadAhead(const ComparisonParts& parts) : m_parts(parts) {}

std::size_t ReadAhead::room() const {
    const std::size_t buffers = kMostBuffers > m_buffersHeld ? kMostBuffers - m_buffersHeld : 0;
    return std::min(m_parts.ledger.room(OpenLedger::Use::ahead), buffers / 2);
}

void ReadAhead::fill() {
    // Heads come in as the disk likes: whichever band has all of its in goes on.
    for (BandState& band : m_parts.bands) {
        if (band.phase == BandPhase::headsStarted) learnHeads(band);
        if (band.phase == BandPhase::headsRead) startTails(band);
    }
    const std::size_t share = m_parts.ledger.share(OpenLedger::Use::ahead);
    if (m_parts.ledger.openFor(OpenLedger::Use::ahead) > share / 2) return;
    for (std::size_t b = 1; b <= kMostBands && room() > 0; ++b) {
        BandState* band = m_parts.bands.at(b);
        if (band == nullptr) break;
        if (band->phase != BandPhase::listed) continue;
        startHeads(*band, room());
        if (band->phase == BandPhase::headsStarted) learnHeads(*band);
        if (band->phase == BandPhase::headsRead) startTails(*band);
    }
}

// Opens files of the band, ahead of it, and starts their heads' reads. A refusal for want
// of handles stops the read-ahead at what is open: the comparison opens the rest.
std::size_t ReadAhead::startHeads(BandState& band, std::size_t room) {
    const std::int64_t size = band.band.size;
    std::vector<std::size_t> files;
    while (files.size() < room && band.headsNext < band.files.size()) {
        files.push_back(band.headsNext++);
    }
    m_parts.closing.closeNow();
    if (!openBandFiles(m_parts, band, files, OpenLedger::Use::ahead).empty()) {
        m_parts.ledger.stopAt(OpenLedger::Use::ahead);
    }
    std::size_t opened = 0;
    std::vector<const platform::File*> advised;
    for (const std::size_t f : files) {
        BandFile& file = band.files[f];
        if (!file.file) continue;
        ++opened;
        // Only the head is wanted now: the system need not read further ahead.
        if (size > kHeadBytes) advised.push_back(&file.file.file());
    }
    if (!advised.empty()) m_parts.fileSystem.adviseAll(advised, platform::Access::random);
    for (const std::size_t f : files) {
        if (band.files[f].file) startEarly(band.files[f], 0, 0, headAsked(size));
    }
    if (band.headsNext == band.files.size()) band.phase = BandPhase::headsStarted;
    return opened;
}

// Once every head is in, a file whose head's digest no other file has can't pair, where
// every digest is known: it is closed, and only its head is ever read.
void ReadAhead::learnHeads(BandState& band) {
    const std::int64_t size = band.band.size;
    for (const BandFile& file : band.files) {
        if (file.early != nullptr && !(*file.early)[0].read.done) return;
    }
    std::vector<std::uint64_t> digests;
    bool allKnown = true;
    for (const BandFile& file : band.files) {
        const EarlyRead* head = file.early != nullptr ? &(*file.early)[0] : nullptr;
        if (head == nullptr || head->read.result != static_cast<std::int64_t>(headBytes(size))) {
            allKnown = false;
            digests.push_back(0);
        } else {
            digests.push_back(hashBytes(head->bytes.data(), headBytes(size)));
        }
    }
    std::vector<std::uint64_t> sorted = digests;
    std::sort(sorted.begin(), sorted.end());
    for (std::size_t f = 0; f < band.files.size(); ++f) {
        const auto same = std::equal_range(sorted.begin(), sorted.end(), digests[f]);
        if (!allKnown || same.second - same.first > 1) {
            band.mayPair.push_back(f);
        } else {
            m_parts.closing.add(band.files[f].file);
        }
    }
    m_parts.closing.closeNow();
    band.phase = BandPhase::headsRead;
}

// The last block reaches the end: one byte more tells a file grown since.
void ReadAhead::startTails(BandState& band) {
    const std::int64_t size = band.band.size;
    if (size > kHeadBytes + kTailBytes) {
        for (; band.tailsNext < band.mayPair.size(); ++band.tailsNext) {
            if (m_buffersHeld >= kMostBuffers) return;
            BandFile& file = band.files[band.mayPair[band.tailsNext]];
            if (!file.file || file.failed) continue;
            startEarly(file, 1, size - kTailBytes, static_cast<std::size_t>(kTailBytes) + 1);
        }
    }
    band.phase = BandPhase::tailsStarted;
}

void ReadAhead::startEarly(BandFile& file, std::size_t slot, std::int64_t offset,
                           std::size_t count) {
    if (file.early == nullptr) file.early = std::make_unique<std::array<EarlyRead, 2>>();
    EarlyRead& early = (*file.early)[slot];
    if (!m_spare.empty()) {
        early.bytes = std::move(m_spare.back());
        m_spare.pop_back();
    }
    early.bytes.resize(count);
    early.offset = offset;
    ++m_buffersHeld;
    m_parts.reads.start(file.file.file(), offset, early.bytes.data(), count, early.read, false);
}

void ReadAhead::enter(BandState& band) {
    band.phase = BandPhase::compared;
    for (BandFile& file : band.files) file.file.setUse(OpenLedger::Use::band);
}

void ReadAhead::leave(BandState& band) {
    for (BandFile& file : band.files) {
        if (file.early == nullptr) {
            m_parts.closing.add(file.file);
            continue;
        }
        for (EarlyRead& early : *file.early) {
            if (early.offset < 0) continue;
            m_parts.reads.wait(early.read);
            early.bytes.clear();
            if (m_spare.size() < kMostBuffers) m_spare.push_back(std::move(early.bytes));
            --m_buffersHeld;
        }
        file.early.reset();
        m_parts.closing.add(file.file);
    }
    m_parts.closing.closeNow();
}
