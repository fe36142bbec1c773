#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <memory>

#include "platform/flag_rules.h"
#include "platform/open_error_win32.h"
#include "platform/system.h"
#include "platform/wide_text.h"

// The C runtime must hand parameters over as typed: "*.txt" is a value, not a glob.
int _dowildcard = 0;

namespace platform {

const char kSeparator = '\\';
const std::string_view kLineEnd = "\r\n";

namespace {

bool g_outputClosedAtStart = false;

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using OwnedHandle = std::unique_ptr<void, HandleCloser>;

}  // namespace

// The C runtime keeps descriptors 0 to 2 for the standard streams even when the
// process got no handle for them, so no file opened later takes their numbers.
bool startFramework() {
    g_outputClosedAtStart = _get_osfhandle(1) < 0;
    return GetModuleHandleW(nullptr) != nullptr && GetCommandLineW() != nullptr;
}

bool standardOutputClosedAtStart() { return g_outputClosedAtStart; }

bool isFlagParameter(const char* param) { return isFlagByWindowsRule(param); }

// The system's own folding, on the characters: the same as the ANSI calls gave for
// every name the ANSI code page spells. It folds A to Z as ASCII does, which spares
// the conversions for the many names that are ASCII alone.
void toLowerCase(std::string& text) {
    bool ascii = true;
    for (char& c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    if (ascii) return;
    std::wstring wide = toWide<wchar_t>(text);
    CharLowerBuffW(wide.data(), static_cast<DWORD>(wide.size()));
    text = toUtf8(std::wstring_view(wide));
}

bool localTime(std::time_t seconds, std::tm& calendar) {
    return localtime_s(&calendar, &seconds) == 0;
}

OpenError openTraceFile(TraceFile& file) {
    file = 0;
    // No sharing: nobody else reads or writes the file while one record is written.
    // A link or a junction is opened itself, never what it leads to.
    HANDLE opened = CreateFileW(L"debug.log", FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return openErrorOf(GetLastError());
    OwnedHandle handle(opened);
    // A second name would let a record land in a file that lies elsewhere.
    BY_HANDLE_FILE_INFORMATION info{};
    const DWORD notPlain = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY;
    if (GetFileType(handle.get()) != FILE_TYPE_DISK ||
        !GetFileInformationByHandle(handle.get(), &info) ||
        (info.dwFileAttributes & notPlain) != 0 || info.nNumberOfLinks != 1) {
        return {OpenError::Kind::notRegular};
    }
    file = reinterpret_cast<TraceFile>(handle.release());
    return {};
}

void writeTraceFile(TraceFile file, std::string_view bytes) {
    // Only a full disk writes short; what did not fit is tried once more.
    for (int attempt = 0; attempt < 2 && !bytes.empty(); ++attempt) {
        const DWORD count = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), MAXDWORD));
        DWORD written = 0;
        if (!WriteFile(reinterpret_cast<HANDLE>(file), bytes.data(), count, &written, nullptr) ||
            written == 0) {
            break;
        }
        bytes.remove_prefix(written);
    }
}

void closeTraceFile(TraceFile file) { CloseHandle(reinterpret_cast<HANDLE>(file)); }

std::size_t openFileBudget() { return 4096; }

}  // namespace platform
