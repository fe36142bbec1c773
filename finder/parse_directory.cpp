#include <algorithm>
#include <cstdio>

#include "finder/finder.h"
#include "finder/path_filters.h"
#include "platform/system.h"
#include "trace/trace_log.h"

void CFinder::parseDirectory(std::string dir) {
    if (isExcluded(dir, m_exclusions)) return;

    std::uint32_t error = 0;
    const auto listing = m_fileSystem.openListing(dir, error);
    platform::FileIdentity identity;
    const bool identified = listing && listing->identity(identity);
    // Links and junctions may lead back to a directory being walked: walking it
    // again would never end.
    if (identified &&
        std::find(m_walkPath.begin(), m_walkPath.end(), identity) != m_walkPath.end()) {
        traceLog(4,
                 "CFinder - parseDirectory - Boucle ignor\xE9"
                 "e : %s.\n",
                 dir.c_str());
        return;
    }

    traceLog(2, "---> CFinder - parseDirectory - %s\n", dir.c_str());
    if (m_extensions.empty()) m_extensions.emplace_back("*");

    if (!listing) {
        const std::string pattern = dir + platform::kSeparator + "*.*";
        traceLog(4,
                 "CFinder - parseDirectory - Aucun fichier du type recherche dans le dossier : "
                 "%s - err 0x%x.\n",
                 pattern.c_str(), static_cast<unsigned>(error));
        traceLog(4, "<--- CFinder - parseDirectory\n");
        return;
    }

    if (identified) m_walkPath.push_back(identity);
    std::string name;
    platform::EntryKind kind = platform::EntryKind::unknown;
    while (listing->next(name, kind)) {
        if (name == "." || name == "..") continue;
        std::string full = dir + platform::kSeparator + name;
        const bool isDirectory =
            kind == platform::EntryKind::directory ||
            (kind == platform::EntryKind::unknown &&
             (m_fileSystem.attributes(full) & platform::kDirectoryAttribute) != 0);
        if (isDirectory) {
            parseDirectory(std::move(full));
        } else if (passesExtensions(full, m_extensions)) {
            addNewFile(full, *listing, name);
            traceLog(8, "CFinder - parseDirectory - Fichier trouv\xE9 : %s.\n", full.c_str());
            std::printf("%s\n", full.c_str());
            std::fflush(stdout);
        }
    }
    if (identified) m_walkPath.pop_back();
    traceLog(4, "<--- CFinder - parseDirectory - %s\n", dir.c_str());
}
