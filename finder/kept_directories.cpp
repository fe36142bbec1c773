#include "finder/kept_directories.h"

void KeptDirectories::keep(std::uint32_t directory, platform::DirectoryListing& listing) {
    if (m_count == m_most) return;
    std::unique_ptr<platform::Directory> kept = listing.keep();
    if (kept == nullptr) return;
    if (m_kept.size() <= directory) m_kept.resize(directory + 1);
    m_kept[directory] = std::move(kept);
    ++m_count;
}

void KeptDirectories::keepOnlyThoseOf(const Catalogue& files) {
    std::vector<bool> needed(m_kept.size(), false);
    for (std::size_t begin = 0; begin < files.size();) {
        const std::size_t end = files.bandEnd(begin);
        for (std::size_t k = begin; k < end && files.isComparableBand(begin, end); ++k) {
            const std::uint32_t directory = files[k].origin.directory;
            if (directory < needed.size()) needed[directory] = true;
        }
        begin = end;
    }
    for (std::size_t directory = 0; directory < m_kept.size(); ++directory) {
        if (!needed[directory] && m_kept[directory] != nullptr) {
            m_kept[directory].reset();
            --m_count;
        }
    }
}

bool KeptDirectories::giveWay() {
    const bool any = m_count > 0;
    m_kept.clear();
    m_count = 0;
    m_most = 0;
    return any;
}
