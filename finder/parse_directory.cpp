#include <algorithm>

#include "finder/finder.h"
#include "finder/path_filters.h"
#include "platform/system.h"

// A directory open higher on the walk would be walked without end. One reached
// through a link after it was walked already would be walked again for every
// link to it, which in a graph of links grows without bound. Sources are walked
// as they are given.
bool CFinder::leadsBack(const platform::FileIdentity& identity, bool throughLink) const {
    return m_walkPath.count(identity) != 0 || (throughLink && m_walked.count(identity) != 0);
}

// Every entry first, so that the directory's files are opened together, which lets
// the system work on many at once.
std::vector<CFinder::ListedEntry> CFinder::listEntries(platform::DirectoryListing& listing) {
    std::vector<ListedEntry> entries;
    std::vector<std::string> names;
    std::vector<std::string> paths;
    std::vector<std::size_t> files;
    // Files listed after a subdirectory wait for its walk before they are catalogued;
    // held, they would keep descriptors from the walk.
    std::size_t beforeWalk = SIZE_MAX;
    for (platform::DirectoryEntry found; listing.next(found);) {
        if (found.name == "." || found.name == "..") continue;
        ListedEntry& listed = entries.emplace_back();
        std::string path = m_path + platform::kSeparator + found.name;
        // An entry whose kind can't be read is walked as a directory: its listing
        // fails and is traced like any other.
        listed.walked = found.kind == platform::EntryKind::directory ||
                        found.kind == platform::EntryKind::unreadable;
        listed.taken = !listed.walked && passesExtensions(path, m_extensions);
        if (listed.walked) beforeWalk = std::min(beforeWalk, names.size());
        // A FIFO, a device or a placeholder is never opened: it counts as a file that
        // can't be.
        if (listed.taken && found.kind == platform::EntryKind::file) {
            names.push_back(found.name);
            paths.push_back(std::move(path));
            files.push_back(entries.size() - 1);
        }
        listed.entry = std::move(found);
    }
    std::vector<platform::FileStatus> statuses;
    std::vector<bool> opened;
    std::vector<platform::File> held;
    const std::size_t room = m_openFiles.held - std::min(m_openFiles.held, m_heldFiles.size());
    listing.statusOfFiles(names, paths, statuses, opened, std::min(room, beforeWalk), held);
    for (std::size_t j = 0; j < files.size(); ++j) {
        entries[files[j]].opened = opened[j];
        entries[files[j]].status = statuses[j];
        entries[files[j]].file = std::move(held[j]);
    }
    return entries;
}

void CFinder::parseDirectory(const std::string& source) {
    m_path = source;
    enterDirectory(nullptr, nullptr);
    while (!m_levels.empty()) {
        Level& level = m_levels.back();
        if (level.next == level.entries.size()) {
            leaveDirectory();
            continue;
        }
        ListedEntry& found = level.entries[level.next++];
        m_path.resize(level.pathLength);
        m_path += platform::kSeparator;
        m_path += found.entry.name;
        if (found.walked) {
            enterDirectory(level.listing.get(), &found.entry);
        } else if (found.taken) {
            addNewFile(m_path, found.opened, found.status, {level.directory, found.entry.isLink},
                       std::move(found.file));
            m_output.trace(8, "CFinder - parseDirectory - Fichier trouv\xE9 : %s.\n", m_path);
            m_output.line({m_path});
        }
    }
}

void CFinder::enterDirectory(platform::DirectoryListing* parent,
                             const platform::DirectoryEntry* entry) {
    const std::string& dir = m_path;
    if (isExcluded(dir, m_exclusions)) return;

    std::uint32_t error = 0;
    auto openListing = [&] {
        return parent != nullptr ? parent->openDirectory(entry->name, dir, error)
                                 : m_fileSystem.openListing(dir, error);
    };
    auto listing = openListing();
    // No directory goes unlisted for the files held: they give way, for the rest of the run.
    if (!listing && platform::isOutOfHandles(error) && m_openFiles.held > 0) {
        std::vector<platform::File> givenUp;
        for (platform::File& held : m_heldFiles) givenUp.push_back(std::move(held));
        m_fileSystem.closeAll(givenUp);
        m_openFiles.held = 0;
        listing = openListing();
    }
    if (!listing && platform::isOutOfHandles(error)) m_incomplete = true;
    platform::FileIdentity identity;
    const bool identified = listing && listing->identity(identity);
    if (identified && leadsBack(identity, entry != nullptr && entry->isLink)) {
        m_output.trace(4,
                       "CFinder - parseDirectory - Boucle ignor\xE9"
                       "e : %s.\n",
                       dir);
        return;
    }

    m_output.trace(2, "---> CFinder - parseDirectory - %s\n", dir);
    if (m_extensions.empty()) m_extensions.emplace_back("*");

    if (!listing) {
        const std::string pattern = dir + platform::kSeparator + "*.*";
        m_output.trace(
            4,
            "CFinder - parseDirectory - Aucun fichier du type recherche dans le dossier : "
            "%s - err 0x%x.\n",
            pattern, static_cast<unsigned>(error));
        m_output.trace(4, "<--- CFinder - parseDirectory\n");
        return;
    }

    Level level;
    level.pathLength = dir.size();
    level.directory = m_files.addDirectory(identified ? identity : platform::FileIdentity{});
    level.identified = identified;
    level.identity = identity;
    if (identified) {
        m_walkPath.insert(identity);
        m_walked.insert(identity);
    }
    level.entries = listEntries(*listing);
    level.listing = std::move(listing);
    m_levels.push_back(std::move(level));
}

void CFinder::leaveDirectory() {
    Level& level = m_levels.back();
    m_path.resize(level.pathLength);
    if (level.identified) m_walkPath.erase(level.identity);
    m_output.trace(4, "<--- CFinder - parseDirectory - %s\n", m_path);
    m_levels.pop_back();
}
