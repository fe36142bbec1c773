// A file that the program lists like any other but can't open, for as long as
// the object lives: a FIFO on POSIX, where the program opens only regular files;
// on Windows a file that this process holds open without sharing.
#pragma once

#include <cstdint>
#include <filesystem>

namespace twinscout::e2e {

class UnopenableFile {
public:
    explicit UnopenableFile(const std::filesystem::path& path);
    ~UnopenableFile();
    UnopenableFile(const UnopenableFile&) = delete;
    UnopenableFile& operator=(const UnopenableFile&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
    std::uintptr_t m_handle = 0;  // the held file on Windows
};

}  // namespace twinscout::e2e
