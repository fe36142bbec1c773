#include "helper_program.h"

namespace twinscout::e2e {

std::filesystem::path helperProgram(const std::string& name) {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path() / name;
}

}  // namespace twinscout::e2e
