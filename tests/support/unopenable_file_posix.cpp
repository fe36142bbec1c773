#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "unopenable_file.h"

namespace twinscout::e2e {

UnopenableFile::UnopenableFile(const std::filesystem::path& path) : m_path(path) {
    if (::mkfifo(path.c_str(), 0644) != 0) {
        ADD_FAILURE() << "mkfifo " << path.string() << ": " << std::strerror(errno);
    }
}

UnopenableFile::~UnopenableFile() = default;

}  // namespace twinscout::e2e
