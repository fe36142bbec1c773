#include "finder/band_queue.h"

#include "finder/distinct_files.h"

BandState* BandQueue::at(std::size_t index) {
    while (index >= m_bands.size()) {
        if (!addBand()) return nullptr;
    }
    return &m_bands[index];
}

bool BandQueue::addBand() {
    while (m_next < m_files.size()) {
        const std::size_t begin = m_next;
        const std::size_t end = m_files.bandEnd(begin);
        m_next = end;
        if (!m_files.isComparableBand(begin, end)) continue;

        BandState& state = m_bands.emplace_back();
        Band& band = state.band;
        band.begin = begin;
        band.end = end;
        band.size = m_files[begin].size;
        m_listed.clear();
        for (std::size_t k = begin; k < end; ++k) m_listed.push_back(m_files[k].identity);
        distinctFiles(m_listed, band.names, band.firstName);
        for (std::size_t& name : band.names) name += begin;
        state.gone.assign(end - begin, false);
        state.files.resize(band.fileCount());
        for (BandFile& file : state.files) file.readFrom = band.size;
        return true;
    }
    return false;
}
