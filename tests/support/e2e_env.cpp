#include "e2e_env.h"

#include <utility>

namespace twinscout::e2e {

namespace {

std::filesystem::path& programSlot() {
    static std::filesystem::path path;
    return path;
}

std::filesystem::path& oracleSlot() {
    static std::filesystem::path path;
    return path;
}

}  // namespace

const std::filesystem::path& programPath() { return programSlot(); }

const std::filesystem::path& oraclePath() { return oracleSlot(); }

void setBinaryPaths(std::filesystem::path program, std::filesystem::path oracle) {
    programSlot() = std::move(program);
    oracleSlot() = std::move(oracle);
}

}  // namespace twinscout::e2e
