#include <algorithm>
#include <cstdio>

#include "finder/finder.h"
#include "finder/path_filters.h"
#include "platform/system.h"
#include "trace/trace_log.h"

// A directory open higher on the walk would be walked without end. One reached
// through a link after it was walked already would be walked again for every
// link to it, which in a graph of links grows without bound. Sources are walked
// as they are given.
bool CFinder::leadsBack(const platform::FileIdentity& identity, bool throughLink) const {
    return std::find(m_walkPath.begin(), m_walkPath.end(), identity) != m_walkPath.end() ||
           (throughLink && m_walked.count(identity) != 0);
}

void CFinder::parseDirectory(std::string dir, platform::DirectoryListing* parent,
                             const platform::DirectoryEntry* entry) {
    if (isExcluded(dir, m_exclusions)) return;

    std::uint32_t error = 0;
    const auto listing = parent != nullptr ? parent->openDirectory(entry->name, dir, error)
                                           : m_fileSystem.openListing(dir, error);
    platform::FileIdentity identity;
    const bool identified = listing && listing->identity(identity);
    if (identified && leadsBack(identity, entry != nullptr && entry->isLink)) {
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

    const std::uint32_t directory =
        m_files.addDirectory(identified ? identity : platform::FileIdentity{});
    if (identified) {
        m_walkPath.push_back(identity);
        m_walked.insert(identity);
    }
    // The entries first, so that the directory's files are opened together, which
    // lets the system work on many at once; then each in listing order.
    std::vector<platform::DirectoryEntry> entries;
    for (platform::DirectoryEntry found; listing->next(found);) {
        if (found.name != "." && found.name != "..") entries.push_back(std::move(found));
    }
    std::vector<std::string> names;
    std::vector<std::string> paths;
    for (const platform::DirectoryEntry& found : entries) {
        std::string full = dir + platform::kSeparator + found.name;
        // A FIFO or a device is never opened: it counts as a file that can't be.
        if (found.kind == platform::EntryKind::file && passesExtensions(full, m_extensions)) {
            names.push_back(found.name);
            paths.push_back(std::move(full));
        }
    }
    std::vector<platform::FileStatus> statuses;
    std::vector<bool> opened;
    listing->statusOfFiles(names, paths, statuses, opened);

    std::size_t file = 0;
    for (const platform::DirectoryEntry& found : entries) {
        std::string full = dir + platform::kSeparator + found.name;
        // An entry whose kind can't be read is walked as a directory: its listing
        // fails and is traced like any other.
        if (found.kind == platform::EntryKind::directory ||
            found.kind == platform::EntryKind::unreadable) {
            parseDirectory(std::move(full), listing.get(), &found);
        } else if (passesExtensions(full, m_extensions)) {
            const bool isFile = found.kind == platform::EntryKind::file;
            addNewFile(full, isFile && opened[file], isFile ? statuses[file] : platform::FileStatus{},
                       {directory, found.isLink});
            file += isFile ? 1 : 0;
            traceLog(8, "CFinder - parseDirectory - Fichier trouv\xE9 : %s.\n", full.c_str());
            std::printf("%s\n", full.c_str());
            std::fflush(stdout);
        }
    }
    if (identified) m_walkPath.pop_back();
    traceLog(4, "<--- CFinder - parseDirectory - %s\n", dir.c_str());
}
