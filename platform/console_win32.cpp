#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/console.h"
#include "platform/wide_text.h"

namespace platform {
namespace {

// Short enough for every console the system has had to take in one call.
constexpr std::size_t kMostPerWrite = 8192;

bool isAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

HANDLE consoleOf(DWORD which) {
    HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)
               ? handle
               : nullptr;
}

// Standard output, where it is a console; null otherwise.
HANDLE console() {
    static const HANDLE output = consoleOf(STD_OUTPUT_HANDLE);
    return output;
}

HANDLE errorConsole() {
    static const HANDLE output = consoleOf(STD_ERROR_HANDLE);
    return output;
}

// The console shows characters whatever its code page: the whole line goes as them.
// False where a write failed.
bool writeToConsole(HANDLE output, std::initializer_list<std::string_view> pieces) {
    std::wstring line;
    for (const std::string_view piece : pieces) line += toWide<wchar_t>(piece);
    line += L"\r\n";
    // What stdio still holds goes first, so that lines keep their order.
    std::fflush(stdout);
    for (std::size_t done = 0; done < line.size();) {
        std::size_t count = std::min(kMostPerWrite, line.size() - done);
        // A surrogate pair is never cut in two.
        if (done + count < line.size() && line[done + count - 1] >= 0xD800 &&
            line[done + count - 1] <= 0xDBFF) {
            --count;
        }
        DWORD written = 0;
        if (!WriteConsoleW(output, line.data() + done, static_cast<DWORD>(count), &written,
                           nullptr) ||
            written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

}  // namespace

// What the ANSI code page spells exactly goes out in it, byte for byte as ANSI
// programs write it; anything else in UTF-8, which names every file, rather than
// with characters lost or replaced by look-alikes.
std::string spelledForOutput(std::string_view text) {
    if (isAscii(text)) return std::string(text);
    const std::wstring wide = toWide<wchar_t>(text);
    const int units = static_cast<int>(wide.size());
    BOOL lost = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), units,
                                           nullptr, 0, nullptr, &lost);
    if (length <= 0 || lost) return std::string(text);
    std::string ansi(static_cast<std::size_t>(length), '\0');
    if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), units, ansi.data(), length,
                            nullptr, &lost) != length ||
        lost) {
        return std::string(text);
    }
    return ansi;
}

void printLine(std::initializer_list<std::string_view> pieces) {
    if (HANDLE output = console()) {
        if (!writeToConsole(output, pieces)) noteConsoleWriteFailed();
        return;
    }
    // Standard output is in text mode: the runtime ends the line with CR LF.
    for (const std::string_view piece : pieces) {
        const std::string spelled = spelledForOutput(piece);
        std::fwrite(spelled.data(), 1, spelled.size(), stdout);
    }
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void printErrorLine(std::initializer_list<std::string_view> pieces) {
    std::fflush(stdout);
    if (HANDLE output = errorConsole()) {
        writeToConsole(output, pieces);
        return;
    }
    std::string line;
    for (const std::string_view piece : pieces) line += spelledForOutput(piece);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

void writeErrorText(std::string_view text) {
    if (HANDLE output = errorConsole()) {
        const std::wstring wide = toWide<wchar_t>(text);
        DWORD written = 0;
        WriteConsoleW(output, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    const std::string spelled = spelledForOutput(text);
    std::fwrite(spelled.data(), 1, spelled.size(), stderr);
    std::fflush(stderr);
}

bool standardErrorIsTerminal() { return errorConsole() != nullptr; }
bool standardOutputIsTerminal() { return console() != nullptr; }

std::string errorText(std::uint32_t code) {
    wchar_t* words = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&words), 0, nullptr);
    if (length == 0 || words == nullptr) return "error " + std::to_string(code);
    std::wstring_view text(words, length);
    // The system ends its sentence with a full stop and a line end.
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ' ||
                             text.back() == L'.')) {
        text.remove_suffix(1);
    }
    std::string utf8 = toUtf8<wchar_t>(text);
    LocalFree(words);
    return utf8;
}

}  // namespace platform
