#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace twinscout::fuzz {

// A broken property is a finding: say which one, then abort so libFuzzer keeps the input.
inline void require(bool holds, const char* property) {
    if (holds) return;
    std::fprintf(stderr, "fuzz property broken: %s\n", property);
    std::abort();
}

// The input's NUL-separated pieces; an empty input has none.
inline std::vector<std::string> splitOnNul(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> pieces;
    if (size == 0) return pieces;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('\0', start);
        pieces.emplace_back(text.substr(start, end - start));
        if (end == std::string_view::npos) return pieces;
        start = end + 1;
    }
}

}  // namespace twinscout::fuzz
