#include "finder/same_entry.h"

#include "platform/system.h"

SameEntryTest::SameEntryTest(const Catalogue& files, bool namesIgnoreCase, std::size_t first,
                             const BandName& firstName)
    : m_files(files),
      m_namesIgnoreCase(namesIgnoreCase),
      m_firstPosition(first),
      m_first(files[first]),
      m_firstName(firstName) {
    if (m_namesIgnoreCase) m_key = folded(files.path(first));
}

std::string SameEntryTest::folded(std::string text) const {
    if (m_namesIgnoreCase) platform::toLowerCase(text);
    return text;
}

bool SameEntryTest::sameName(std::size_t later) const {
    return m_namesIgnoreCase && folded(m_files.path(later)) == m_key;
}

bool SameEntryTest::sameEntry(std::size_t laterPosition, const BandName& laterName) const {
    const Catalogue::Entry later = m_files[laterPosition];
    if (laterName.identity != m_firstName.identity) return false;
    // Without identities nothing tells the two apart; a link may lead to any entry.
    if (!laterName.identity.known() || m_first.origin.isLink || later.origin.isLink) return true;
    // A file with one name has one entry, however it was reached; and the system may tell
    // the entries apart itself, where links don't show as such (Wine shows a host's link
    // to a file as a file).
    if (m_firstName.links == 1 || laterName.links == 1) return true;
    if (m_firstName.entry != 0 && m_firstName.entry == laterName.entry) return true;
    const platform::FileIdentity& firstDir = m_files.directory(m_first.origin.directory);
    const platform::FileIdentity& laterDir = m_files.directory(later.origin.directory);
    // Two names of one file in directories known to differ are hard links.
    if (firstDir.known() && laterDir.known() && firstDir != laterDir) return false;
    return folded(m_files.name(laterPosition)) == folded(m_files.name(m_firstPosition));
}
