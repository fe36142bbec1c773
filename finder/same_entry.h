#pragma once

#include <string>

#include "finder/band.h"
#include "finder/catalogue.h"

// Whether a later catalogued path names the same directory entry as the first file:
// reached through another spelling of a source, a directory link, a mount seen twice,
// or a link to the file. Decided from what the walk and the comparison saw, never by
// resolving paths, which can fail where the walk did not. Hard links are separate
// entries and stay apart.
class SameEntryTest {
public:
    // Of the catalogued file at `first` and of later ones, by their positions.
    SameEntryTest(const Catalogue& files, bool namesIgnoreCase, std::size_t first,
                  const BandName& firstName);

    // Where names ignore case, paths equal but for case are one entry; decided by the
    // names alone, before the later file is opened.
    bool sameName(std::size_t later) const;
    bool sameEntry(std::size_t later, const BandName& laterName) const;

private:
    std::string folded(std::string text) const;

    const Catalogue& m_files;
    const bool m_namesIgnoreCase;
    const std::size_t m_firstPosition;
    const Catalogue::Entry m_first;
    const BandName& m_firstName;
    std::string m_key;  // the first path, lower-cased where names ignore case
};
