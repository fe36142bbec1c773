#include <windows.h>

#include <cstdio>

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

// Standard output, where it is a console; null otherwise.
HANDLE console() {
    static const HANDLE output = [] {
        HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
        DWORD mode = 0;
        return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)
                   ? handle
                   : nullptr;
    }();
    return output;
}

// The console shows characters whatever its code page: the whole line goes as them.
void writeToConsole(HANDLE output, std::initializer_list<std::string_view> pieces) {
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
            noteConsoleWriteFailed();
            return;
        }
        done += written;
    }
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
        writeToConsole(output, pieces);
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

}  // namespace platform
