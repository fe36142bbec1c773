#include "platform/directory_entries_win32.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "platform/entry_attributes.h"
#include "platform/open_error_win32.h"
#include "platform/wide_text.h"

namespace platform {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

void takeName(std::wstring_view name, DWORD attributes, DirectoryEntry& entry) {
    entry.name = toUtf8(name);
    // Junctions and symbolic links alike carry the reparse-point bit.
    entry.isLink = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    // The listing's own attributes tell the kind: nothing is asked by name again,
    // and a placeholder is known before anything could open it.
    entry.kind =
        entry.name == "." || entry.name == ".." ? EntryKind::directory : entryKindOf(attributes);
}

void takeId(const LARGE_INTEGER& id, FileIdentity& identity) {
    identity.index = static_cast<std::uint64_t>(id.QuadPart);
}

void takeId(const FILE_ID_128& id, FileIdentity& identity) {
    std::memcpy(&identity.index, id.Identifier, sizeof identity.index);
    std::memcpy(&identity.indexHigh, id.Identifier + sizeof identity.index,
                sizeof identity.indexHigh);
}

// An enumeration of the directory's handle: one call for many entries, each with the
// id, size and stamps that opening it would give.
class EnumeratedEntries final : public DirectoryEntries {
public:
    explicit EnumeratedEntries(HANDLE directory) : m_directory(directory) {}
    ~EnumeratedEntries() override { CloseHandle(m_directory); }
    EnumeratedEntries(const EnumeratedEntries&) = delete;
    EnumeratedEntries& operator=(const EnumeratedEntries&) = delete;

    // The first entries, by the richest class the system serves: whole ids of 128
    // bits (Windows 8 on), else 64 (what Wine serves). False when it serves neither.
    bool start() {
        m_identified = identityOf(m_directory, m_volume);
        for (const FILE_INFO_BY_HANDLE_CLASS infoClass :
             {FileIdExtdDirectoryInfo, FileIdBothDirectoryInfo}) {
            m_class = infoClass;
            if (fill() || m_ended) return true;
        }
        return false;
    }

    bool next(DirectoryEntry& entry) override {
        while (m_at == nullptr) {
            if (m_ended || !fill()) return false;
        }
        DWORD nextOffset = 0;
        if (m_class == FileIdExtdDirectoryInfo) {
            nextOffset = take(*reinterpret_cast<const FILE_ID_EXTD_DIR_INFO*>(m_at), entry);
        } else {
            nextOffset = take(*reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(m_at), entry);
        }
        m_at = nextOffset == 0 ? nullptr : m_at + nextOffset;
        return true;
    }

    bool directoryIdentity(FileIdentity& identity) override {
        identity = m_volume;
        return m_identified;
    }

private:
    template <typename Info>
    DWORD take(const Info& info, DirectoryEntry& entry) const {
        takeName({info.FileName, info.FileNameLength / sizeof(wchar_t)}, info.FileAttributes,
                 entry);
        entry.status = {};
        entry.status.size = info.EndOfFile.QuadPart;
        entry.status.stamps = {info.LastWriteTime.QuadPart, info.ChangeTime.QuadPart};
        // Entries share their directory's volume; a link's entry is its own, and the
        // listing opens it to learn of its target.
        if (m_identified) {
            entry.status.identity.volume = m_volume.volume;
            takeId(info.FileId, entry.status.identity);
        }
        return info.NextEntryOffset;
    }

    bool fill() {
        m_at = nullptr;
        if (!GetFileInformationByHandleEx(
                m_directory, m_class, m_buffer.data(),
                static_cast<DWORD>(m_buffer.size() * sizeof(m_buffer[0])))) {
            m_ended = GetLastError() == ERROR_NO_MORE_FILES;
            return false;
        }
        m_at = reinterpret_cast<const char*>(m_buffer.data());
        return true;
    }

    HANDLE m_directory;
    FILE_INFO_BY_HANDLE_CLASS m_class = FileIdBothDirectoryInfo;
    bool m_identified = false;
    FileIdentity m_volume;  // the directory's own: its volume is its entries'
    std::vector<std::uint64_t> m_buffer = std::vector<std::uint64_t>(8192);  // aligned, 64 KiB
    const char* m_at = nullptr;  // the next entry in the buffer
    bool m_ended = false;
};

// Find data: the size and write time of each entry, no id.
class FoundEntries final : public DirectoryEntries {
public:
    FoundEntries(HANDLE find, const WIN32_FIND_DATAW& first, std::wstring self)
        : m_find(find), m_data(first), m_self(std::move(self)) {}
    ~FoundEntries() override { FindClose(m_find); }
    FoundEntries(const FoundEntries&) = delete;
    FoundEntries& operator=(const FoundEntries&) = delete;

    bool next(DirectoryEntry& entry) override {
        if (m_pending) {
            m_pending = false;
        } else if (!FindNextFileW(m_find, &m_data)) {
            return false;
        }
        takeName(m_data.cFileName, m_data.dwFileAttributes, entry);
        entry.status = {};
        entry.status.size = static_cast<std::int64_t>(
            (static_cast<std::uint64_t>(m_data.nFileSizeHigh) << 32) | m_data.nFileSizeLow);
        ULARGE_INTEGER written{};
        written.LowPart = m_data.ftLastWriteTime.dwLowDateTime;
        written.HighPart = m_data.ftLastWriteTime.dwHighDateTime;
        entry.status.stamps.modified = static_cast<std::int64_t>(written.QuadPart);
        return true;
    }

    // A directory opens only with backup semantics; nothing is read from it.
    bool directoryIdentity(FileIdentity& identity) override {
        HANDLE handle = CreateFileW(m_self.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return false;
        const bool known = identityOf(handle, identity);
        CloseHandle(handle);
        return known;
    }

private:
    HANDLE m_find;
    WIN32_FIND_DATAW m_data;
    std::wstring m_self;
    bool m_pending = true;
};

}  // namespace

std::unique_ptr<DirectoryEntries> enumerateDirectory(const std::wstring& self) {
    HANDLE handle = CreateFileW(self.c_str(), FILE_LIST_DIRECTORY, kShareAll, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    auto entries = std::make_unique<EnumeratedEntries>(handle);
    if (!entries->start()) return nullptr;
    return entries;
}

std::unique_ptr<DirectoryEntries> findEntries(const std::wstring& base, const std::wstring& self,
                                              OpenError& error) {
    // "*" lists what "*.*" did: every entry.
    const std::wstring pattern = base + L'*';
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) {
        error = openErrorOf(GetLastError());
        return nullptr;
    }
    return std::make_unique<FoundEntries>(find, data, self);
}

bool identityOf(HANDLE handle, FileIdentity& identity) {
    FILE_ID_INFO id{};
    if (GetFileInformationByHandleEx(handle, FileIdInfo, &id, sizeof id)) {
        identity.volume = id.VolumeSerialNumber;
        takeId(id.FileId, identity);
        return true;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info)) return false;
    identity.volume = info.dwVolumeSerialNumber;
    identity.index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

}  // namespace platform
