#include "finder/open_ledger.h"

#include <algorithm>
#include <cassert>

namespace {

constexpr std::size_t kMostAhead = 256;
constexpr std::size_t kMostBetweenChunks = 4096;
// One ring's worth.
constexpr std::size_t kMostAtOnce = 64;

}  // namespace

OpenLedger::OpenLedger(std::size_t budget) : m_budget(std::max<std::size_t>(budget, 1)) {
    shareOut();
}

// Ahead, the band and a batch together never pass the budget.
void OpenLedger::shareOut() {
    m_share[index(Use::ahead)] = std::min(m_budget / 4, kMostAhead);
    m_share[index(Use::band)] = std::min(m_budget / 2, kMostBetweenChunks);
    m_batch = std::clamp<std::size_t>(m_share[index(Use::band)] / 2, 1, kMostAtOnce);
}

std::size_t OpenLedger::room(Use use) const {
    const std::size_t inUse = open() + m_batch;
    const std::size_t left = m_budget > inUse ? m_budget - inUse : 0;
    const std::size_t shareLeft = share(use) > openFor(use) ? share(use) - openFor(use) : 0;
    return std::min(left, shareLeft);
}

void OpenLedger::shrinkTo(std::size_t openAtRefusal) {
    assert(open() == 0);
    m_budget = std::max<std::size_t>(openAtRefusal, 1);
    shareOut();
}

void OpenLedger::count(Use use, bool opened) {
    std::size_t& count = m_open[index(use)];
    assert(opened || count > 0);
    count = opened ? count + 1 : count - 1;
    // Opens are made within the shares, which the budget holds; a shrunk budget is
    // set only once everything is closed.
    assert(open() <= m_budget);
}

CountedFile::CountedFile(OpenLedger& ledger, platform::File file, OpenLedger::Use use)
    : m_ledger(&ledger), m_file(std::move(file)), m_use(use) {
    if (m_file) m_ledger->count(m_use, true);
}

CountedFile& CountedFile::operator=(CountedFile&& other) noexcept {
    if (this != &other) {
        close();
        m_ledger = other.m_ledger;
        m_file = std::move(other.m_file);
        m_use = other.m_use;
    }
    return *this;
}

void CountedFile::setUse(OpenLedger::Use use) {
    if (m_file && use != m_use) {
        m_ledger->count(m_use, false);
        m_ledger->count(use, true);
    }
    m_use = use;
}

void CountedFile::close() {
    if (!m_file) return;
    m_file.close();
    m_ledger->count(m_use, false);
}

platform::File CountedFile::take() {
    if (m_file) m_ledger->count(m_use, false);
    return std::move(m_file);
}
