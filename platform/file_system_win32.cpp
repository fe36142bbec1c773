#include <windows.h>

#include "platform/file_system.h"

namespace platform {
namespace {

HANDLE asHandle(NativeHandle handle) { return reinterpret_cast<HANDLE>(handle); }

std::int64_t ticks(const FILETIME& time) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                     time.dwLowDateTime);
}

bool statusOf(HANDLE handle, FileStatus& status) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info)) return false;
    status.size = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) |
                                            info.nFileSizeLow);
    status.identity.volume = info.dwVolumeSerialNumber;
    status.identity.index =
        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    status.stamps.modified = ticks(info.ftLastWriteTime);
    // The change time moves with every write and attribute change; where the system
    // can't give it, the last-write time alone must do.
    FILE_BASIC_INFO basic{};
    status.stamps.changed =
        GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic)
            ? basic.ChangeTime.QuadPart
            : 0;
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

    bool next(DirectoryEntry& entry) override {
        if (m_pending) {
            m_pending = false;
        } else if (!FindNextFileA(m_find, &m_data)) {
            return false;
        }
        entry.name.assign(m_data.cFileName);
        // Junctions and symbolic links alike carry the reparse-point bit.
        entry.isLink = (m_data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (entry.name == "." || entry.name == "..") {
            entry.kind = EntryKind::directory;
            return true;
        }
        // The attributes are asked again by path, as the walk has always done: an
        // entry whose attributes can't be read is walked as a directory whose
        // listing then fails.
        const DWORD attributes = GetFileAttributesA((m_dir + "\\" + entry.name).c_str());
        entry.kind = attributes == INVALID_FILE_ATTRIBUTES          ? EntryKind::unreadable
                     : (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EntryKind::directory
                                                                    : EntryKind::file;
        return true;
    }

    bool identity(FileIdentity& identity) override {
        // A directory opens only with backup semantics; nothing is read from it.
        const std::string path = m_dir.empty() ? "\\" : m_dir;
        HANDLE handle =
            CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return false;
        FileStatus status;
        const bool known = statusOf(handle, status);
        CloseHandle(handle);
        identity = status.identity;
        return known;
    }

    OpenedFile openFile(const std::string&, const std::string& path) override {
        return m_fileSystem.open(path);
    }

    std::unique_ptr<DirectoryListing> openDirectory(const std::string&, const std::string& path,
                                                    std::uint32_t& error) override {
        return m_fileSystem.openListing(path, error);
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
        return std::make_unique<Win32Listing>(*this, find, data, dir);
    }

    OpenedFile open(const std::string& path) override {
        OpenedFile opened;
        // A directory fails here; anything that is not a disk file is closed unread.
        HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            opened.error = GetLastError();
            return opened;
        }
        File file(*this, reinterpret_cast<NativeHandle>(handle));
        if (file.status(opened.status)) opened.file = std::move(file);
        return opened;
    }

    bool namesIgnoreCase() const override { return true; }
    // Files are opened sharing reads only: while one is open, nobody may write,
    // rename or delete it.
    bool openFilesHinderOthers() const override { return true; }

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

    bool status(NativeHandle handle, FileStatus& status) override {
        return GetFileType(asHandle(handle)) == FILE_TYPE_DISK &&
               statusOf(asHandle(handle), status);
    }

    void advise(NativeHandle, Access) override {}

    void close(NativeHandle handle) override { CloseHandle(asHandle(handle)); }
};

}  // namespace

FileSystem& realFileSystem() {
    static Win32FileSystem fileSystem;
    return fileSystem;
}

}  // namespace platform
