// The small programs of tests/helpers, built beside the end-to-end test program
// (POSIX only).
#pragma once

#include <filesystem>
#include <string>

namespace twinscout::e2e {

std::filesystem::path helperProgram(const std::string& name);

}  // namespace twinscout::e2e
