// An open's last error as the platform says it (Windows builds only).
#pragma once

#include <windows.h>

#include "platform/open_error.h"

namespace platform {

inline OpenError openErrorOf(DWORD error) {
    switch (error) {
        case ERROR_TOO_MANY_OPEN_FILES:
            return {OpenError::Kind::outOfHandles, error};
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return {OpenError::Kind::held, error};
        default:
            return {OpenError::Kind::refused, error};
    }
}

}  // namespace platform
