#include <algorithm>
#include <cstring>

#include "finder/content_classes.h"
#include "finder/finder.h"
#include "finder/same_entry.h"

namespace {

// For each opened member, the next opened member of its class; the run's length if none.
std::vector<std::size_t> linkClasses(const std::vector<RunMember>& members) {
    std::uint32_t classes = 0;
    for (const RunMember& member : members) classes = std::max(classes, member.contentClass + 1);
    std::vector<std::size_t> lastOfClass(classes, members.size());
    std::vector<std::size_t> next(members.size(), members.size());
    for (std::size_t k = members.size(); k-- > 0;) {
        if (!members[k].opened) continue;
        next[k] = lastOfClass[members[k].contentClass];
        lastOfClass[members[k].contentClass] = k;
    }
    return next;
}

}  // namespace

// Files are compared only within runs of equal size. Each run is first split into
// classes of identical content, reading each file once; the pairs are then printed
// and traced in the order in which comparing every file with every later one of its
// run would find them.
void CFinder::compareFiles() {
    m_output.trace(2, "---> CFinder - compareFiles\n");
    m_output.line({"Checking files in progress ..."});
    ReadAhead ahead(m_fileSystem, m_files, m_heldFiles, m_openFiles.ahead);
    for (std::size_t begin = 0; begin < m_files.size();) {
        const std::size_t end = m_files.runEnd(begin);
        compareRun(begin, end, ahead);
        begin = end;
    }
    printResults();
    m_output.trace(4, "<--- CFinder - compareFiles\n");
}

void CFinder::compareRun(std::size_t begin, std::size_t end, ReadAhead& ahead) {
    const std::int64_t size = m_files[begin].size;
    const std::size_t count = end - begin;
    const bool comparable = m_files.isComparableRun(begin, end);

    std::vector<RunMember> members(comparable ? count : 0);
    std::vector<std::size_t> nextInClass;
    if (comparable) {
        for (std::size_t k = 0; k < count; ++k) {
            members[k].path = m_files[begin + k].path;
            members[k].listed = m_files[begin + k].status();
        }
        ClassifierLimits limits;
        limits.openFiles = m_openFiles.kept;
        // The trace reports every comparison, so it must know of every candidate
        // whether it can still be opened; without it only identical ones matter.
        ahead.enter();
        m_classify(m_fileSystem, size, members, limits, m_output.tracing(), &ahead);
        ahead.leave();
        nextInClass = linkClasses(members);
    }

    // Without the trace only identical partners print anything: visit just those.
    const bool everyPair = m_output.tracing();
    for (std::size_t k = 0; k < count; ++k) {
        const char* path = m_files[begin + k].path;
        // The trace log itself may lie in a searched directory; it is never a first file.
        if (std::strstr(path, "debug.log") != nullptr) continue;
        m_output.trace(8, "CFinder - compareFiles - Fichier %s en cours d'analyse.\n", path);
        m_output.line({path});
        if (!comparable || !members[k].opened) continue;

        const SameEntryTest sameEntry(m_files, m_fileSystem.namesIgnoreCase(), m_files[begin + k]);
        bool grouped = false;
        for (std::size_t later = everyPair ? k + 1 : nextInClass[k]; later < count;
             later = everyPair ? later + 1 : nextInClass[later]) {
            const RunMember& candidate = members[later];
            if (sameEntry.sameName(candidate.path) || !candidate.opened ||
                sameEntry.sameEntry(m_files[begin + later])) {
                continue;
            }
            if (!compareContent(members[k], candidate)) continue;
            if (!grouped && everyPair) m_results.push_back(begin + k);
            grouped = true;
            reportPair(begin + k, begin + later);
        }
        if (grouped && everyPair) m_results.push_back(kGroupEnd);
    }
}

// The classes answer for the pair: members of one class have equal bytes.
bool CFinder::compareContent(const RunMember& first, const RunMember& second) {
    m_output.trace(4, "---> CFinder - compareContent\n");
    const bool identical = first.contentClass == second.contentClass;
    m_output.trace(4, "<--- CFinder - compareContent - %d\n", identical ? 1 : 0);
    return identical;
}

void CFinder::reportPair(std::size_t first, std::size_t second) {
    const char* firstPath = m_files[first].path;
    const char* secondPath = m_files[second].path;
    m_output.trace(8, "CFinder - compareFiles - %s et %s sont le m\xEAme fichier.\n", firstPath,
                   secondPath);
    m_output.line({firstPath, " #### ", secondPath, " are the same file"});
    if (m_output.tracing()) m_results.push_back(second);
}
