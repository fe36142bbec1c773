#include <windows.h>

#include <cstring>

#include "platform/entry_attributes.h"
#include "platform/extended_path.h"
#include "platform/file_system.h"
#include "platform/read_queue_port_win32.h"
#include "platform/wide_text.h"

namespace platform {
namespace {

HANDLE asHandle(NativeHandle handle) { return reinterpret_cast<HANDLE>(handle); }

// What the system resolves `path` to, as GetFullPathNameW gives it; empty where it can't.
std::wstring fullPathOf(const std::wstring& path) {
    std::wstring full(path.size() + MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0) return {};
        const bool fits = length < full.size();
        full.resize(length);
        if (fits) return full;
    }
}

// Every call gets the extended form, so that no path is too long for the system;
// empty for a path that must not reach it.
std::wstring systemPath(const std::string& path) {
    const std::wstring wide = toWide<wchar_t>(path);
    return extendedPath<wchar_t>(wide, fullPathOf(wide));
}

// The whole id where the system gives 128 bits: on ReFS two files may share the 64-bit
// index of the older call, and would be taken for one.
bool identityOf(HANDLE handle, FileIdentity& identity) {
    FILE_ID_INFO id{};
    if (GetFileInformationByHandleEx(handle, FileIdInfo, &id, sizeof id)) {
        identity.volume = id.VolumeSerialNumber;
        std::memcpy(&identity.index, id.FileId.Identifier, sizeof identity.index);
        std::memcpy(&identity.indexHigh, id.FileId.Identifier + sizeof identity.index,
                    sizeof identity.indexHigh);
        return true;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info)) return false;
    identity.volume = info.dwVolumeSerialNumber;
    identity.index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

// Size, identity and both stamps in three questions, one each, the fewest an open file
// allows. The change time moves with every write and attribute change.
bool statusOf(HANDLE handle, FileStatus& status) {
    FILE_BASIC_INFO basic{};
    FILE_STANDARD_INFO standard{};
    if (!GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) ||
        !GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard)) {
        return false;
    }
    // Made a placeholder since it was listed: reading it would fetch it.
    if (entryKindOf(basic.FileAttributes) == EntryKind::placeholder) return false;
    status.size = standard.EndOfFile.QuadPart;
    status.stamps.modified = basic.LastWriteTime.QuadPart;
    status.stamps.changed = basic.ChangeTime.QuadPart;
    return identityOf(handle, status.identity);
}

// Opens the regular file at the extended path `target` for reading.
OpenedFile openRegularFile(FileSystem& fileSystem, const std::wstring& target) {
    OpenedFile opened;
    if (target.empty()) return opened;
    // A directory fails here; anything that is not a disk file is closed unread.
    // Overlapped, so that a read queue can keep many reads of it in flight.
    HANDLE handle =
        CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                    FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        opened.error = GetLastError();
        return opened;
    }
    File file(fileSystem, reinterpret_cast<NativeHandle>(handle));
    if (GetFileType(handle) == FILE_TYPE_DISK && statusOf(handle, opened.status)) {
        opened.file = std::move(file);
    }
    return opened;
}

// A directory as its listing reaches it: `base`, its extended form with a separator
// at the end, which its entries' names are joined to as they are, and `self`, the
// form that opens the directory itself.
struct ListedDirectory {
    std::wstring base;
    std::wstring self;
};

std::unique_ptr<DirectoryListing> openListingOf(FileSystem& fileSystem, ListedDirectory dir,
                                                std::uint32_t& error);

class Win32Listing final : public DirectoryListing {
public:
    Win32Listing(FileSystem& fileSystem, HANDLE find, const WIN32_FIND_DATAW& first,
                 ListedDirectory dir)
        : m_fileSystem(fileSystem), m_find(find), m_data(first), m_dir(std::move(dir)) {}
    ~Win32Listing() override { FindClose(m_find); }
    Win32Listing(const Win32Listing&) = delete;
    Win32Listing& operator=(const Win32Listing&) = delete;

    bool next(DirectoryEntry& entry) override {
        if (m_pending) {
            m_pending = false;
        } else if (!FindNextFileW(m_find, &m_data)) {
            return false;
        }
        entry.name = toUtf8(std::wstring_view(m_data.cFileName));
        // Junctions and symbolic links alike carry the reparse-point bit.
        entry.isLink = (m_data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        // The listing's own attributes tell the kind: nothing is asked by name again,
        // and a placeholder is known before anything could open it.
        entry.kind = entry.name == "." || entry.name == ".." ? EntryKind::directory
                                                             : entryKindOf(m_data.dwFileAttributes);
        return true;
    }

    bool identity(FileIdentity& identity) override {
        // A directory opens only with backup semantics; nothing is read from it.
        HANDLE handle = CreateFileW(m_dir.self.c_str(), 0,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return false;
        const bool known = identityOf(handle, identity);
        CloseHandle(handle);
        return known;
    }

    // Names are joined as listed: resolved again, a name that ends in a dot or a blank
    // would lose them and lead to another entry, or to none.
    OpenedFile openFile(const std::string& name, const std::string&) override {
        return openRegularFile(m_fileSystem, m_dir.base + toWide<wchar_t>(name));
    }

    std::unique_ptr<DirectoryListing> openDirectory(const std::string& name, const std::string&,
                                                    std::uint32_t& error) override {
        const std::wstring self = m_dir.base + toWide<wchar_t>(name);
        return openListingOf(m_fileSystem, {self + L'\\', self}, error);
    }

private:
    FileSystem& m_fileSystem;
    HANDLE m_find;
    WIN32_FIND_DATAW m_data;
    ListedDirectory m_dir;
    bool m_pending = true;
};

std::unique_ptr<DirectoryListing> openListingOf(FileSystem& fileSystem, ListedDirectory dir,
                                                std::uint32_t& error) {
    if (dir.base.empty()) {
        error = ERROR_INVALID_NAME;
        return nullptr;
    }
    // "*" lists what "*.*" did: every entry.
    const std::wstring pattern = dir.base + L'*';
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return nullptr;
    }
    return std::make_unique<Win32Listing>(fileSystem, find, data, std::move(dir));
}

class Win32FileSystem final : public FileSystem {
public:
    ~Win32FileSystem() override {
        if (m_readDone != nullptr) CloseHandle(m_readDone);
    }

    std::unique_ptr<DirectoryListing> openListing(const std::string& dir,
                                                  std::uint32_t& error) override {
        // The directory as the system resolves its listing's pattern, as every call
        // without the extended form did; the root for an empty one.
        std::wstring base = systemPath(dir + "\\*");
        if (!base.empty() && base.back() == L'*') {
            base.pop_back();
        } else {
            base.clear();
        }
        return openListingOf(*this, {base, systemPath(dir + "\\.")}, error);
    }

    OpenedFile open(const std::string& path) override {
        return openRegularFile(*this, systemPath(path));
    }

    bool namesIgnoreCase() const override { return true; }
    // Files are opened sharing reads only: while one is open, nobody may write,
    // rename or delete it.
    bool openFilesHinderOthers() const override { return true; }

    std::unique_ptr<ReadQueue> readQueue() override {
        if (auto queue = makePortReadQueue(m_ties, 64)) return queue;
        return makeSynchronousReadQueue();
    }

private:
    std::int64_t readAt(NativeHandle handle, std::int64_t offset, void* buffer,
                        std::size_t count) override {
        OVERLAPPED position{};
        position.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
        position.OffsetHigh = static_cast<DWORD>(offset >> 32);
        // The low bit set keeps the read's end out of any port the file is tied to
        // (where no event can be had, the queue passes over what it did not start).
        if (m_readDone == nullptr) m_readDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (m_readDone != nullptr) {
            position.hEvent =
                reinterpret_cast<HANDLE>(reinterpret_cast<std::uintptr_t>(m_readDone) | 1);
        }
        // A disk file reads short only at its end, so one call answers.
        const DWORD ask = count > 0x40000000 ? 0x40000000 : static_cast<DWORD>(count);
        DWORD got = 0;
        if ((!ReadFile(asHandle(handle), buffer, ask, nullptr, &position) &&
             GetLastError() != ERROR_IO_PENDING) ||
            !GetOverlappedResult(asHandle(handle), &position, &got, TRUE)) {
            return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
        }
        return got;
    }

    bool status(NativeHandle handle, FileStatus& status) override {
        return statusOf(asHandle(handle), status);
    }

    void advise(NativeHandle, Access) override {}

    void close(NativeHandle handle) override {
        m_ties.forget(handle);
        CloseHandle(asHandle(handle));
    }

    PortTies m_ties;
    HANDLE m_readDone = nullptr;  // the event that plain reads wait on
};

}  // namespace

FileSystem& realFileSystem() {
    static Win32FileSystem fileSystem;
    return fileSystem;
}

}  // namespace platform
