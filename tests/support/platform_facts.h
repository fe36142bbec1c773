// What the end-to-end tests need to know about the platform they run on, to
// predict the program's output or to size their own work.
#pragma once

#include <cstdint>

namespace twinscout::e2e {

// The code the system gives for a directory listing started on a missing path.
std::uint32_t missingDirectoryError();

// The code the system gives for an open refused for want of handles.
std::uint32_t outOfHandlesError();

// Whether two names that differ only in letter case name the same entry.
bool namesIgnoreCase();

// Whether every parameter beginning with "/" is a flag (Windows), rather than only a
// two-character one, which leaves "/" and longer ones to be absolute paths (POSIX).
bool longSlashParametersAreFlags();

// Whether the listing tells, without opening a file, that it can't be opened, so that
// such a file is never catalogued; elsewhere (Windows) it is catalogued, and never
// pairs.
bool listingTellsUnopenable();

// Whether trees may hold symbolic and hard links that the program follows.
bool treesMayHoldLinks();

// How many random trees the comparison with the reference build runs through:
// starting a process is cheap natively and slow under Wine.
int referenceTreeCount();

}  // namespace twinscout::e2e
