#include "finder/same_entry.h"

#include "platform/system.h"

SameEntryTest::SameEntryTest(platform::FileSystem& fileSystem, const char* firstPath)
    : m_fileSystem(fileSystem), m_firstPath(firstPath) {
    if (m_fileSystem.namesIgnoreCase()) {
        m_key = firstPath;
        platform::toLowerCase(m_key);
    }
}

bool SameEntryTest::sameName(const char* laterPath) const {
    if (!m_fileSystem.namesIgnoreCase()) return false;
    std::string key = laterPath;
    platform::toLowerCase(key);
    return key == m_key;
}

bool SameEntryTest::sameEntry(const platform::FileIdentity& firstIdentity, const char* laterPath,
                              const platform::FileIdentity& laterIdentity) {
    if (firstIdentity != laterIdentity) return false;
    if (!m_canonicalKnown) {
        m_canonicalKnown = true;
        if (!m_fileSystem.canonicalPath(m_firstPath, m_canonical)) m_canonical.clear();
    }
    std::string canonical;
    return !m_canonical.empty() && m_fileSystem.canonicalPath(laterPath, canonical) &&
           canonical == m_canonical;
}
