#include <cerrno>

#include "platform_facts.h"

namespace twinscout::e2e {

std::uint32_t missingDirectoryError() { return ENOENT; }

std::uint32_t outOfHandlesError() { return EMFILE; }

bool longSlashParametersAreFlags() { return false; }

bool namesIgnoreCase() { return false; }

bool listingTellsUnopenable() { return true; }

bool treesMayHoldLinks() { return true; }

int referenceTreeCount() { return 400; }

}  // namespace twinscout::e2e
