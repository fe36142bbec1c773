// A fresh, empty directory for one test, removed with everything in it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace twinscout::e2e {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }

    // Relative paths are taken below this directory; parents are created.
    std::filesystem::path writeFile(const std::filesystem::path& relative,
                                    std::string_view bytes) const;
    std::filesystem::path makeDir(const std::filesystem::path& relative) const;

private:
    std::filesystem::path m_path;
};

// The whole file, byte for byte; empty when it can't be read.
std::string readFileBytes(const std::filesystem::path& path);

}  // namespace twinscout::e2e
