// Where the binaries under test live, as handed over on the test command line.
#pragma once

#include <filesystem>

namespace twinscout::e2e {

// Both paths are absolute: tests run the binaries from their own temporary
// directories, so a path relative to the build directory would not resolve.
const std::filesystem::path& programPath();
const std::filesystem::path& oraclePath();

void setBinaryPaths(std::filesystem::path program, std::filesystem::path oracle);

}  // namespace twinscout::e2e
