// An open's errno as the platform says it (POSIX builds only).
#pragma once

#include <cerrno>
#include <cstdint>

#include "platform/open_error.h"

namespace platform {

inline OpenError openErrorOf(int errnum) {
    const auto code = static_cast<std::uint32_t>(errnum);
    if (errnum == EMFILE || errnum == ENFILE) return {OpenError::Kind::outOfHandles, code};
    return {OpenError::Kind::refused, code};
}

}  // namespace platform
