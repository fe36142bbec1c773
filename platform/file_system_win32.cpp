#include <windows.h>

#include <cstring>
#include <functional>
#include <string_view>
#include <vector>

#include "platform/directory_entries_win32.h"
#include "platform/entry_attributes.h"
#include "platform/extended_path.h"
#include "platform/file_system.h"
#include "platform/open_error_win32.h"
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

// Size, identity, stamps and names in three questions, one each, the fewest an open
// file allows. The change time moves with every write and attribute change.
bool statusOf(HANDLE handle, FileStatus& status) {
    FILE_BASIC_INFO basic{};
    FILE_STANDARD_INFO standard{};
    if (!GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) ||
        !GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard) ||
        standard.Directory) {
        return false;
    }
    // Made a placeholder since it was listed: reading it would fetch it.
    if (entryKindOf(basic.FileAttributes) == EntryKind::placeholder) return false;
    status.size = standard.EndOfFile.QuadPart;
    status.stamps.modified = basic.LastWriteTime.QuadPart;
    status.stamps.changed = basic.ChangeTime.QuadPart;
    status.links = standard.NumberOfLinks;
    return identityOf(handle, status.identity);
}

// Opens the regular file at the extended path `target` with `access`.
OpenedFile openRegularFile(FileSystem& fileSystem, const std::wstring& target, DWORD access,
                           DWORD share, DWORD flags) {
    OpenedFile opened;
    if (target.empty()) {
        opened.error = {OpenError::Kind::refused, ERROR_INVALID_NAME};
        return opened;
    }
    // A directory fails here; anything that is not a disk file is closed unread.
    HANDLE handle =
        CreateFileW(target.c_str(), access, share, nullptr, OPEN_EXISTING, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        opened.error = openErrorOf(GetLastError());
        return opened;
    }
    File file(fileSystem, reinterpret_cast<NativeHandle>(handle));
    if (GetFileType(handle) == FILE_TYPE_DISK && statusOf(handle, opened.status)) {
        opened.file = std::move(file);
    } else {
        opened.error = {OpenError::Kind::notRegular};
    }
    return opened;
}

// For reading: overlapped, so that a read queue can keep many reads of it in flight.
OpenedFile openForReading(FileSystem& fileSystem, const std::wstring& target) {
    return openRegularFile(fileSystem, target, GENERIC_READ, FILE_SHARE_READ,
                           FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OVERLAPPED);
}

// For its attributes only: nothing is read or fetched, and no program's sharing is in
// the way.
OpenedFile openForStatus(FileSystem& fileSystem, const std::wstring& target) {
    return openRegularFile(fileSystem, target, FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0);
}

// A key for the directory entry an open reached, links followed: the path the system
// gives the open file, in capitals, since names of one entry may differ in case.
std::uint64_t entryKeyOf(HANDLE handle) {
    std::wstring final(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetFinalPathNameByHandleW(handle, final.data(), static_cast<DWORD>(final.size()),
                                      FILE_NAME_OPENED | VOLUME_NAME_NT);
        if (length == 0) return 0;
        const bool fits = length < final.size();
        final.resize(length);
        if (fits) break;
    }
    CharUpperBuffW(final.data(), static_cast<DWORD>(final.size()));
    const std::uint64_t key = std::hash<std::wstring>{}(final);
    return key != 0 ? key : 1;
}

// A directory as its listing reaches it: `base`, its extended form with a separator
// at the end, which its entries' names are joined to as they are, and `self`, the
// form that opens the directory itself.
struct ListedDirectory {
    std::wstring base;
    std::wstring self;
};

std::unique_ptr<DirectoryListing> openListingOf(FileSystem& fileSystem, ListedDirectory dir,
                                                OpenError& error, bool knownDirectory);

class Win32Listing final : public DirectoryListing {
public:
    Win32Listing(FileSystem& fileSystem, std::unique_ptr<DirectoryEntries> entries,
                 ListedDirectory dir)
        : m_fileSystem(fileSystem), m_entries(std::move(entries)), m_dir(std::move(dir)) {}

    bool next(DirectoryEntry& entry) override { return m_entries->next(entry); }

    bool identity(FileIdentity& identity) override {
        return m_entries->directoryIdentity(identity);
    }

    // Whether a file may be opened for reading only an open tells: it is taken as
    // readable. The entry of a link describes the link: its target is looked at to be
    // known. Names are joined as listed: resolved again, a name that ends in a dot or a
    // blank would lose them and lead to another entry, or to none.
    bool describe(const DirectoryEntry& entry, FileStatus& status) override {
        if (!entry.isLink) {
            status = entry.status;
            return true;
        }
        OpenedFile opened = openForStatus(m_fileSystem, m_dir.base + toWide<wchar_t>(entry.name));
        status = opened.status;
        return static_cast<bool>(opened.file);
    }

    std::unique_ptr<DirectoryListing> openDirectory(const std::string& name, const std::string&,
                                                    OpenError& error) override {
        const std::wstring self = m_dir.base + toWide<wchar_t>(name);
        return openListingOf(m_fileSystem, {self + L'\\', self}, error, true);
    }

private:
    FileSystem& m_fileSystem;
    std::unique_ptr<DirectoryEntries> m_entries;
    ListedDirectory m_dir;
};

// `knownDirectory`: its parent listed it as a directory, so opening it can open no file.
std::unique_ptr<DirectoryListing> openListingOf(FileSystem& fileSystem, ListedDirectory dir,
                                                OpenError& error, bool knownDirectory) {
    if (dir.base.empty()) {
        error = {OpenError::Kind::refused, ERROR_INVALID_NAME};
        return nullptr;
    }
    if (!knownDirectory) {
        const DWORD attributes = GetFileAttributesW(dir.self.c_str());
        knownDirectory =
            attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }
    std::unique_ptr<DirectoryEntries> entries;
    if (knownDirectory) entries = enumerateDirectory(dir.self);
    // Where it can't be enumerated with ids, its find data list it; a failure is the
    // find's, whose error code the trace gives.
    if (entries == nullptr) entries = findEntries(dir.base, dir.self, error);
    if (entries == nullptr) return nullptr;
    return std::make_unique<Win32Listing>(fileSystem, std::move(entries), std::move(dir));
}

class Win32FileSystem final : public FileSystem {
public:
    ~Win32FileSystem() override {
        if (m_readDone != nullptr) CloseHandle(m_readDone);
    }

    std::unique_ptr<DirectoryListing> openListing(const std::string& dir,
                                                  OpenError& error) override {
        // The directory as the system resolves its listing's pattern, as every call
        // without the extended form did; the root for an empty one.
        std::wstring base = systemPath(dir + "\\*");
        if (!base.empty() && base.back() == L'*') {
            base.pop_back();
        } else {
            base.clear();
        }
        return openListingOf(*this, {base, systemPath(dir + "\\.")}, error, false);
    }

    OpenedFile open(const std::string& path) override {
        return openForReading(*this, systemPath(path));
    }

    bool statusAt(const std::string& path, FileStatus& status, std::uint64_t& entry) override {
        entry = 0;
        OpenedFile opened = openForStatus(*this, systemPath(path));
        if (!opened.file) return false;
        status = opened.status;
        entry = entryKeyOf(asHandle(opened.file.nativeHandle()));
        return true;
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
