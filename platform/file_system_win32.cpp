#include <windows.h>

#include "platform/file_system.h"

namespace platform {
namespace {

HANDLE asHandle(NativeHandle handle) { return reinterpret_cast<HANDLE>(handle); }

bool identityOf(HANDLE handle, FileIdentity& identity) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info)) return false;
    identity.volume = info.dwVolumeSerialNumber;
    identity.index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

class Win32Listing final : public DirectoryListing {
public:
    Win32Listing(FileSystem& fileSystem, HANDLE find, const WIN32_FIND_DATAA& first,
                 std::string dir)
        : m_fileSystem(fileSystem), m_find(find), m_data(first), m_dir(std::move(dir)) {}
    ~Win32Listing() override { FindClose(m_find); }
    Win32Listing(const Win32Listing&) = delete;
    Win32Listing& operator=(const Win32Listing&) = delete;

    bool next(std::string& name, EntryKind& kind) override {
        if (m_pending) {
            m_pending = false;
        } else if (!FindNextFileA(m_find, &m_data)) {
            return false;
        }
        name.assign(m_data.cFileName);
        kind = EntryKind::unknown;
        return true;
    }

    bool identity(FileIdentity& identity) override {
        // A directory opens only with backup semantics; nothing is read from it.
        HANDLE handle =
            CreateFileA(m_dir.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return false;
        const bool known = identityOf(handle, identity);
        CloseHandle(handle);
        return known;
    }

    File openFile(const std::string&, const std::string& path, FileStatus& status) override {
        return m_fileSystem.open(path, status);
    }

private:
    FileSystem& m_fileSystem;
    HANDLE m_find;
    WIN32_FIND_DATAA m_data;
    std::string m_dir;
    bool m_pending = true;
};

class Win32FileSystem final : public FileSystem {
public:
    std::unique_ptr<DirectoryListing> openListing(const std::string& dir,
                                                  std::uint32_t& error) override {
        WIN32_FIND_DATAA data{};
        HANDLE find = FindFirstFileA((dir + "\\*.*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) {
            error = GetLastError();
            return nullptr;
        }
        return std::make_unique<Win32Listing>(*this, find, data, dir.empty() ? "\\" : dir);
    }

    std::uint32_t attributes(const std::string& path) override {
        return GetFileAttributesA(path.c_str());
    }

    File open(const std::string& path, FileStatus& status) override {
        HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return {};
        File file(*this, reinterpret_cast<NativeHandle>(handle));
        LARGE_INTEGER size{};
        if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileSizeEx(handle, &size)) return {};
        status.size = size.QuadPart;
        if (!identityOf(handle, status.identity)) status.identity = {};
        return file;
    }

    File openContent(const std::string& path) override {
        HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return {};
        return {*this, reinterpret_cast<NativeHandle>(handle)};
    }

    bool canonicalPath(const std::string& path, std::string& canonical) override {
        HANDLE handle =
            CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return false;
        std::string buffer(MAX_PATH, '\0');
        DWORD length =
            GetFinalPathNameByHandleA(handle, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
        if (length >= buffer.size()) {
            buffer.resize(length + 1);
            length = GetFinalPathNameByHandleA(handle, buffer.data(),
                                               static_cast<DWORD>(buffer.size()), 0);
        }
        CloseHandle(handle);
        if (length == 0 || length >= buffer.size()) return false;
        buffer.resize(length);
        canonical = std::move(buffer);
        return true;
    }

    bool namesIgnoreCase() const override { return true; }

private:
    std::int64_t readAt(NativeHandle handle, std::int64_t offset, void* buffer,
                        std::size_t count) override {
        // A disk file reads short only at its end, so one call answers.
        OVERLAPPED position{};
        position.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
        position.OffsetHigh = static_cast<DWORD>(offset >> 32);
        const DWORD ask = count > 0x40000000 ? 0x40000000 : static_cast<DWORD>(count);
        DWORD got = 0;
        if (!ReadFile(asHandle(handle), buffer, ask, &got, &position)) {
            return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
        }
        return got;
    }

    void adviseSequential(NativeHandle) override {}

    void close(NativeHandle handle) override { CloseHandle(asHandle(handle)); }
};

}  // namespace

FileSystem& realFileSystem() {
    static Win32FileSystem fileSystem;
    return fileSystem;
}

}  // namespace platform
