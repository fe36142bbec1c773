#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/console.h"

namespace platform {

// Names are byte strings here: they go out as the system gave them.
std::string spelledForOutput(std::string_view text) { return std::string(text); }

void printLine(std::initializer_list<std::string_view> pieces) {
    for (const std::string_view piece : pieces) std::fwrite(piece.data(), 1, piece.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void printErrorLine(std::initializer_list<std::string_view> pieces) {
    std::string line;
    for (const std::string_view piece : pieces) line += piece;
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

void writeErrorText(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

bool standardErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }
bool standardOutputIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

std::string errorText(std::uint32_t code) { return std::strerror(static_cast<int>(code)); }

}  // namespace platform
