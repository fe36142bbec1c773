#include <gtest/gtest.h>
#include <windows.h>

#include "unopenable_file.h"

namespace twinscout::e2e {

// Some content, so that only the failed open keeps the file out of a catalogue.
UnopenableFile::UnopenableFile(const std::filesystem::path& path) : m_path(path) {
    HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "CreateFileW " << path.string() << ": error " << ::GetLastError();
        return;
    }
    DWORD written = 0;
    ::WriteFile(handle, "held", 4, &written, nullptr);
    m_handle = reinterpret_cast<std::uintptr_t>(handle);
}

UnopenableFile::~UnopenableFile() {
    if (m_handle != 0) ::CloseHandle(reinterpret_cast<HANDLE>(m_handle));
}

}  // namespace twinscout::e2e
