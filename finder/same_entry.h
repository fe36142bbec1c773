#pragma once

#include <string>

#include "platform/file_system.h"

// Whether a later catalogued path names the same directory entry as the first file
// (reached through another spelling, a link or a junction), so that the file is never
// reported as a copy of itself. Hard links are separate entries and stay apart.
class SameEntryTest {
public:
    SameEntryTest(platform::FileSystem& fileSystem, const char* firstPath);

    // Decided by the names alone, before the later file is opened.
    bool sameName(const char* laterPath) const;
    // Decided once both files are open.
    bool sameEntry(const platform::FileIdentity& firstIdentity, const char* laterPath,
                   const platform::FileIdentity& laterIdentity);

private:
    platform::FileSystem& m_fileSystem;
    const char* m_firstPath;
    std::string m_key;        // lower-cased, where names ignore case
    std::string m_canonical;  // computed when first needed
    bool m_canonicalKnown = false;
};
