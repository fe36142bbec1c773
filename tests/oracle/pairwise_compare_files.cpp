// The straightforward comparison: every catalogued file against every later file
// of its size, two files at a time, read side by side. Slow but plain, it is the
// reference the real comparison is checked against, byte for byte.
#include <cstdio>
#include <cstring>
#include <vector>

#include "finder/finder.h"
#include "finder/same_entry.h"
#include "trace/trace_log.h"

namespace {

constexpr std::size_t kChunk = 64 * 1024;

bool sameContent(const platform::File& first, std::int64_t size, const platform::File& second) {
    std::vector<char> a(kChunk);
    std::vector<char> b(kChunk);
    for (std::int64_t offset = 0; offset < size; offset += kChunk) {
        const auto count = static_cast<std::size_t>(
            size - offset < static_cast<std::int64_t>(kChunk) ? size - offset : kChunk);
        if (first.readAt(offset, a.data(), count) != static_cast<std::int64_t>(count) ||
            second.readAt(offset, b.data(), count) != static_cast<std::int64_t>(count) ||
            std::memcmp(a.data(), b.data(), count) != 0) {
            return false;
        }
    }
    return true;
}

// The file as the listing saw it, or nothing when its name now leads elsewhere.
platform::File openAsListed(platform::FileSystem& fileSystem, const Catalogue::Entry& entry) {
    platform::FileStatus now;
    platform::File file = fileSystem.open(entry.path, now);
    if (!file || !entry.identity.known() || now.identity != entry.identity ||
        now.size != entry.size) {
        return {};
    }
    return file;
}

bool unchanged(const platform::File& file, const Catalogue::Entry& entry) {
    platform::FileStatus now;
    return file.status(now) && now.size == entry.size && now.stamps == entry.stamps;
}

bool compareContentPairwise(const platform::File& first, const Catalogue::Entry& firstEntry,
                            const platform::File& second, const Catalogue::Entry& secondEntry) {
    traceLog(4, "---> CFinder - compareContent\n");
    const bool identical = sameContent(first, firstEntry.size, second) &&
                           unchanged(first, firstEntry) && unchanged(second, secondEntry);
    traceLog(4, "<--- CFinder - compareContent - %d\n", identical ? 1 : 0);
    return identical;
}

}  // namespace

void CFinder::compareFiles() {
    traceLog(2, "---> CFinder - compareFiles\n");
    std::printf("Checking files in progress ...\n");
    for (std::size_t i = 0; i < m_files.size(); ++i) {
        const char* path = m_files[i].path;
        if (std::strstr(path, "debug.log") != nullptr) continue;
        traceLog(8, "CFinder - compareFiles - Fichier %s en cours d'analyse.\n", path);
        std::printf("%s\n", path);
        std::fflush(stdout);
        const platform::File first = openAsListed(m_fileSystem, m_files[i]);
        if (!first) continue;

        const SameEntryTest sameEntry(m_files, m_fileSystem.namesIgnoreCase(), m_files[i]);
        std::vector<std::size_t> group{i};
        for (std::size_t j = i + 1; j < m_files.size(); ++j) {
            const char* laterPath = m_files[j].path;
            if (sameEntry.sameName(laterPath)) continue;
            const platform::File later = openAsListed(m_fileSystem, m_files[j]);
            if (!later) continue;
            if (sameEntry.sameEntry(m_files[j])) continue;
            if (m_files[i].size == 0 || m_files[i].size != m_files[j].size) break;
            if (compareContentPairwise(first, m_files[i], later, m_files[j])) {
                traceLog(8, "CFinder - compareFiles - %s et %s sont le m\xEAme fichier.\n", path,
                         laterPath);
                std::printf("%s #### %s are the same file\n", path, laterPath);
                std::fflush(stdout);
                group.push_back(j);
            }
        }
        if (group.size() > 1) {
            m_results.insert(m_results.end(), group.begin(), group.end());
            m_results.push_back(kGroupEnd);
        }
    }
    printResults();
    traceLog(4, "<--- CFinder - compareFiles\n");
}
