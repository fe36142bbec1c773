#include "finder/finder.h"
#include "finder/path_filters.h"
#include "platform/console.h"
#include "platform/system.h"

// A directory open higher on the walk would be walked without end. One reached
// through a link after it was walked already would be walked again for every
// link to it, which in a graph of links grows without bound. Sources are walked
// as they are given.
bool CFinder::leadsBack(const platform::FileIdentity& identity, bool throughLink) const {
    return m_walkPath.count(identity) != 0 || (throughLink && m_walked.count(identity) != 0);
}

// Every entry first, and what the listing tells of each file it takes: nothing is
// opened, and the walk below it needs nothing more of the directory than its handle.
ListedEntries CFinder::listEntries(platform::DirectoryListing& listing) {
    ListedEntries entries;
    for (platform::DirectoryEntry found; listing.next(found);) {
        if (found.name == "." || found.name == "..") continue;
        ListedEntries::Entry listed;
        listed.name = found.name;
        listed.isLink = found.isLink;
        // An entry whose kind can't be read is walked as a directory: its listing
        // fails and is traced like any other.
        listed.walked = found.kind == platform::EntryKind::directory ||
                        found.kind == platform::EntryKind::unreadable;
        listed.taken = !listed.walked &&
                       (m_extensions.empty() ||
                        passesExtensions(m_path + platform::kSeparator + found.name, m_extensions));
        // A FIFO, a device or a placeholder is never opened: it counts as a file that
        // can't be.
        if (listed.taken && found.kind == platform::EntryKind::file) {
            listed.readable = listing.describe(found, listed.status);
            if (!listed.readable) ++m_tally.unreadFiles;
        }
        entries.add(listed);
    }
    return entries;
}

void CFinder::parseDirectory(const std::string& source) {
    m_path = source;
    enterDirectory(nullptr, nullptr);
    while (!m_levels.empty()) {
        Level& level = m_levels.back();
        if (m_progress.on()) {
            // The walk's place: the directory below the source it is in, or the source.
            const std::size_t top =
                m_levels[std::min<std::size_t>(1, m_levels.size() - 1)].pathLength;
            m_progress.listing(m_filesFound, m_directoriesListed,
                               std::string_view(m_path).substr(0, top));
        }
        if (level.entries.done()) {
            leaveDirectory();
            continue;
        }
        const ListedEntries::Entry found = level.entries.next();
        m_path.resize(level.pathLength);
        m_path += platform::kSeparator;
        m_path += found.name;
        if (found.walked) {
            enterDirectory(level.listing.get(), &found);
        } else if (found.taken) {
            if (addNewFile(found, {level.directory, found.isLink})) {
                level.holdsFiles = true;
            }
            m_output.trace(8, "CFinder - parseDirectory - Fichier trouv\xE9 : %s.\n", m_path);
            m_output.line({m_path});
            ++m_filesFound;
        }
    }
}

void CFinder::enterDirectory(platform::DirectoryListing* parent,
                             const ListedEntries::Entry* entry) {
    const std::string& dir = m_path;
    if (isExcluded(dir, m_exclusions)) return;

    platform::OpenError error;
    auto openListing = [&] {
        return parent != nullptr ? parent->openDirectory(std::string(entry->name), dir, error)
                                 : m_fileSystem.openListing(dir, error);
    };
    auto listing = openListing();
    // No directory goes unlisted for the directories kept: they give way for the rest of
    // the run.
    const auto outOfHandles = [&] {
        return !listing && error.kind == platform::OpenError::Kind::outOfHandles;
    };
    if (outOfHandles() && m_kept.giveWay()) listing = openListing();
    if (outOfHandles()) m_incomplete = true;
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

    if (!listing) {
        // A mistyped source must not look like a tree without copies.
        if (entry != nullptr) ++m_tally.unlistedDirectories;
        if (entry == nullptr) {
            m_sourceUnlisted = true;
            m_output.notice(
                {"twinscout: can't search \"", dir,
                 "\": ", error.code != 0 ? platform::errorText(error.code) : "not a directory"});
        }
        const std::string pattern = dir + platform::kSeparator + "*.*";
        m_output.trace(
            4,
            "CFinder - parseDirectory - Aucun fichier du type recherche dans le dossier : "
            "%s - err 0x%x.\n",
            pattern, static_cast<unsigned>(error.code));
        m_output.trace(4, "<--- CFinder - parseDirectory\n");
        return;
    }

    Level level;
    level.pathLength = dir.size();
    // A source is its own name; a subdirectory lies in the directory being walked.
    level.directory = entry != nullptr
                          ? m_files.addDirectory(identified ? identity : platform::FileIdentity{},
                                                 m_levels.back().directory, entry->name)
                          : m_files.addDirectory(identified ? identity : platform::FileIdentity{},
                                                 Catalogue::kNoDirectory, dir);
    level.identified = identified;
    level.identity = identity;
    if (identified) {
        m_walkPath.insert(identity);
        m_walked.insert(identity);
    }
    level.entries = listEntries(*listing);
    ++m_directoriesListed;
    level.listing = std::move(listing);
    m_levels.push_back(std::move(level));
}

void CFinder::leaveDirectory() {
    Level& level = m_levels.back();
    m_path.resize(level.pathLength);
    if (level.identified) m_walkPath.erase(level.identity);
    if (level.holdsFiles) m_kept.keep(level.directory, *level.listing);
    m_output.trace(4, "<--- CFinder - parseDirectory - %s\n", m_path);
    m_levels.pop_back();
}
