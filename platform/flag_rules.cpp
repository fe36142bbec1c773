#include "platform/flag_rules.h"

namespace platform {

bool isFlagByWindowsRule(const char* param) { return param[0] == '-' || param[0] == '/'; }

bool isFlagByPosixRule(const char* param) {
    if (param[0] == '/') return param[1] != '\0' && param[2] == '\0';
    return param[0] == '-';
}

}  // namespace platform
