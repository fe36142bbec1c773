#include <windows.h>

#include "platform_facts.h"

namespace twinscout::e2e {

// FindFirstFileA on "missing\*.*": the directory part is what is missing.
std::uint32_t missingDirectoryError() { return ERROR_PATH_NOT_FOUND; }

std::uint32_t outOfHandlesError() { return ERROR_TOO_MANY_OPEN_FILES; }

bool longSlashParametersAreFlags() { return true; }

bool namesIgnoreCase() { return true; }

// Making links on Windows takes privileges a test run may lack, and Wine turns
// them into the host's links: the Windows suite keeps to files and directories.
// Only an open tells: a file held by another program or denied is catalogued.
bool listingTellsUnopenable() { return false; }

bool treesMayHoldLinks() { return false; }

// About 0.1 to 0.3 s per process under Wine, two processes per tree.
int referenceTreeCount() { return 200; }

}  // namespace twinscout::e2e
