#pragma once

#include <cstddef>
#include <deque>
#include <vector>

#include "finder/band_files.h"
#include "finder/catalogue.h"

// The bands of the catalogue that may pair, in catalogue order, as far as the
// comparison has taken them up: the band compared first, then those read ahead.
class BandQueue {
public:
    explicit BandQueue(const Catalogue& files) : m_files(files) {}

    // The band `index` places after the front, taking up the catalogue's next bands as
    // needed; null past the last.
    BandState* at(std::size_t index);
    std::size_t size() const { return m_bands.size(); }
    BandState& front() { return m_bands.front(); }
    void popFront() { m_bands.pop_front(); }
    std::deque<BandState>::iterator begin() { return m_bands.begin(); }
    std::deque<BandState>::iterator end() { return m_bands.end(); }

private:
    bool addBand();

    const Catalogue& m_files;
    std::size_t m_next = 0;  // catalogue position of the next band to look at
    std::deque<BandState> m_bands;
    std::vector<platform::FileIdentity> m_listed;  // reused, for its memory
};
