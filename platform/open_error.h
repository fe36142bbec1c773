#pragma once

#include <cstdint>

namespace platform {

// Why the system gave no file, listing or trace file: every open of the platform says
// it this way.
struct OpenError {
    enum class Kind : std::uint8_t {
        none,
        notRegular,    // the name leads to nothing that may be opened: never opened
        held,          // another program holds it and shares it with nobody
        outOfHandles,  // the process or the system has no handle left
        refused,       // anything else: missing, denied, ...
    };
    Kind kind = Kind::none;
    std::uint32_t code = 0;  // the system's own error code, for the trace; 0 for notRegular
    explicit operator bool() const { return kind != Kind::none; }
};

}  // namespace platform
