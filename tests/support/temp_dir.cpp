#include "temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>

namespace twinscout::e2e {

namespace {

// Unique across concurrent suites (random part) and within one (counter).
std::string uniqueName() {
    static std::atomic<unsigned> counter{0};
    static const unsigned seed = std::random_device{}();
    return "twinscout-e2e-" + std::to_string(seed) + "-" + std::to_string(counter++);
}

}  // namespace

TempDir::TempDir() {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) {
        ADD_FAILURE() << "no temporary directory: " << error.message();
        return;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path candidate = base / uniqueName();
        if (std::filesystem::create_directory(candidate, error)) {
            m_path = std::move(candidate);
            return;
        }
        if (error) break;
    }
    ADD_FAILURE() << "cannot create a temporary directory in " << base.string() << ": "
                  << error.message();
}

TempDir::~TempDir() {
    if (m_path.empty()) return;
    std::error_code error;
    std::filesystem::remove_all(m_path, error);
}

std::filesystem::path TempDir::writeFile(const std::filesystem::path& relative,
                                         std::string_view bytes) const {
    const std::filesystem::path target = m_path / relative;
    std::error_code error;
    std::filesystem::create_directories(target.parent_path(), error);
    std::ofstream file(target, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) ADD_FAILURE() << "cannot write " << target.string();
    return target;
}

std::filesystem::path TempDir::makeDir(const std::filesystem::path& relative) const {
    const std::filesystem::path target = m_path / relative;
    std::error_code error;
    std::filesystem::create_directories(target, error);
    if (error) ADD_FAILURE() << "cannot create " << target.string() << ": " << error.message();
    return target;
}

std::string readFileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace twinscout::e2e
