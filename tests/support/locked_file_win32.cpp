#include <gtest/gtest.h>
#include <windows.h>

#include "locked_file.h"

namespace twinscout::e2e {

LockedFile::LockedFile(const std::filesystem::path& path) {
    HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "CreateFileW " << path.string() << ": error " << ::GetLastError();
        return;
    }
    m_handle = reinterpret_cast<std::intptr_t>(handle);
    m_held = true;
}

void LockedFile::release() {
    if (m_held) ::CloseHandle(reinterpret_cast<HANDLE>(m_handle));
    m_handle = -1;
    m_held = false;
}

}  // namespace twinscout::e2e
