#include <cstdio>

#include "platform/console.h"

namespace platform {

// Names are byte strings here: they go out as the system gave them.
std::string spelledForOutput(std::string_view text) { return std::string(text); }

void printLine(std::initializer_list<std::string_view> pieces) {
    for (const std::string_view piece : pieces) std::fwrite(piece.data(), 1, piece.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

}  // namespace platform
