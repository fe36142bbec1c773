#include "finder/run_tally.h"

#include <algorithm>
#include <tuple>

void BandGroups::pair(std::size_t first, std::size_t later) {
    if (m_groupOf[first] == kNone) m_groupOf[first] = m_groups++;
    if (m_groupOf[later] == kNone) m_groupOf[later] = m_groupOf[first];
}

void BandGroups::addTo(RunTally& tally, std::int64_t size,
                       const std::vector<BandName>& names) const {
    if (m_groups == 0) return;
    // Each member by its group and file; a name of unknown identity is a file of its own.
    std::vector<std::tuple<std::uint32_t, bool, platform::FileIdentity, std::size_t>> members;
    for (std::size_t k = 0; k < m_groupOf.size(); ++k) {
        if (m_groupOf[k] == kNone) continue;
        const bool known = names[k].identity.known();
        members.emplace_back(m_groupOf[k], known, names[k].identity, known ? 0 : k);
    }
    std::sort(members.begin(), members.end());
    tally.groups += m_groups;
    tally.copies += members.size() - m_groups;
    const auto files =
        static_cast<std::uint64_t>(std::unique(members.begin(), members.end()) - members.begin());
    tally.bytesFreed += (files - m_groups) * static_cast<std::uint64_t>(size);
}
