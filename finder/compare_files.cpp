#include <algorithm>
#include <string>

#include "finder/finder.h"
#include "finder/same_entry.h"

namespace {

// For each opened name, the next opened name of its class; the band's length if none.
std::vector<std::size_t> linkClasses(const std::vector<BandName>& names) {
    std::uint32_t classes = 0;
    for (const BandName& name : names) classes = std::max(classes, name.contentClass + 1);
    std::vector<std::size_t> lastOfClass(classes, names.size());
    std::vector<std::size_t> next(names.size(), names.size());
    for (std::size_t k = names.size(); k-- > 0;) {
        if (!names[k].opened) continue;
        next[k] = lastOfClass[names[k].contentClass];
        lastOfClass[names[k].contentClass] = k;
    }
    return next;
}

// The trace log itself may lie in a searched directory; it is never a first file.
bool mayBeFirst(const std::string& path) { return path.find("debug.log") == std::string::npos; }

}  // namespace

// Files are compared only within bands of equal size. Each band is first split into
// classes of identical content, reading each file once; the pairs are then printed
// and traced in the order in which comparing every file with every later one of its
// band would find them.
void CFinder::compareFiles() {
    m_output.trace(2, "---> CFinder - compareFiles\n");
    m_output.line({"Checking files in progress ..."});
    {
        const std::unique_ptr<BandJudge> judge = m_makeJudge(m_fileSystem, m_files, m_kept);
        std::vector<BandName> names;
        std::size_t compared = 0;
        const ComparisonWork all = comparisonWork();
        ComparisonWork done;
        m_progress.comparing(0, all.files, 0, all.bytes, 0);
        while (const Band* band = judge->nextBand()) {
            passOver(compared, band->begin);
            // The trace reports every comparison, so it must know of every candidate
            // whether it can still be opened; without it only identical ones matter.
            judge->judge(m_output.tracing(), names);
            compareBand(*band, names);
            compared = band->end;
            done.files += band->end - band->begin;
            done.bytes += (band->end - band->begin) * static_cast<std::uint64_t>(band->size);
            m_progress.comparing(done.files, all.files, done.bytes, all.bytes, m_tally.pairs);
        }
        passOver(compared, m_files.size());
        m_incomplete = m_incomplete || judge->incomplete();
    }
    m_progress.finish();
    printResults();
    m_output.trace(4, "<--- CFinder - compareFiles\n");
}

// Only where progress is shown: one pass over the sizes.
CFinder::ComparisonWork CFinder::comparisonWork() const {
    ComparisonWork all;
    if (!m_progress.on()) return all;
    for (std::size_t begin = 0, end = 0; begin < m_files.size(); begin = end) {
        end = m_files.bandEnd(begin);
        if (!m_files.isComparableBand(begin, end)) continue;
        all.files += end - begin;
        all.bytes += (end - begin) * static_cast<std::uint64_t>(m_files[begin].size);
    }
    return all;
}

void CFinder::passOver(std::size_t begin, std::size_t end) {
    for (std::size_t k = begin; k < end; ++k) {
        const std::string path = m_files.path(k);
        if (!mayBeFirst(path)) continue;
        m_output.trace(8, "CFinder - compareFiles - Fichier %s en cours d'analyse.\n", path);
        m_output.line({path});
    }
}

void CFinder::compareBand(const Band& band, const std::vector<BandName>& names) {
    const std::vector<std::size_t> nextInClass = linkClasses(names);

    // Without the trace only identical partners print anything: visit just those.
    const bool everyPair = m_output.tracing();
    const std::size_t count = band.end - band.begin;
    BandGroups groups(count);
    for (std::size_t k = 0; k < count; ++k) {
        if (!names[k].opened) ++m_tally.unreadFiles;
        const std::string first = m_files.path(band.begin + k);
        if (!mayBeFirst(first)) continue;
        m_output.trace(8, "CFinder - compareFiles - Fichier %s en cours d'analyse.\n", first);
        m_output.line({first});
        if (!names[k].opened) continue;

        const SameEntryTest sameEntry(m_files, m_fileSystem.namesIgnoreCase(), band.begin + k,
                                      names[k]);
        bool grouped = false;
        for (std::size_t later = everyPair ? k + 1 : nextInClass[k]; later < count;
             later = everyPair ? later + 1 : nextInClass[later]) {
            if (sameEntry.sameName(band.begin + later) || !names[later].opened ||
                sameEntry.sameEntry(band.begin + later, names[later])) {
                continue;
            }
            if (!compareContent(names[k], names[later])) continue;
            if (!grouped && everyPair) m_results.push_back(band.begin + k);
            grouped = true;
            groups.pair(k, later);
            reportPair(first, band.begin + later);
        }
        if (grouped && everyPair) m_results.push_back(kGroupEnd);
    }
    groups.addTo(m_tally, band.size, names);
}

// The classes answer for the pair: names of one class have equal bytes.
bool CFinder::compareContent(const BandName& first, const BandName& second) {
    m_output.trace(4, "---> CFinder - compareContent\n");
    const bool identical = first.contentClass == second.contentClass;
    m_output.trace(4, "<--- CFinder - compareContent - %d\n", identical ? 1 : 0);
    return identical;
}
void CFinder::reportPair(const std::string& firstPath, std::size_t second) {
    const std::string secondPath = m_files.path(second);
    m_output.trace(8, "CFinder - compareFiles - %s et %s sont le m\xEAme fichier.\n", firstPath,
                   secondPath);
    m_output.line({firstPath, " #### ", secondPath, " are the same file"});
    ++m_tally.pairs;
    if (m_output.tracing()) m_results.push_back(second);
}
