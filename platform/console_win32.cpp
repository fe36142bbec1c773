#include <cstdio>

#include "platform/console.h"

namespace platform {

// Not yet spelled in the ANSI code page: names go out as held.
std::string spelledForOutput(std::string_view text) { return std::string(text); }

void printLine(std::initializer_list<std::string_view> pieces) {
    for (const std::string_view piece : pieces) std::fwrite(piece.data(), 1, piece.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

}  // namespace platform
