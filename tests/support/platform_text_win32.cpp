#include "platform_text.h"

namespace twinscout::e2e {

std::string_view pathSeparator() { return "\\"; }

// debug.log is opened in text mode, so the runtime writes CR LF.
std::string_view traceNewline() { return "\r\n"; }

// Standard output is left in the runtime's default text mode, as for any
// console program written with printf and streams, so lines end in CR LF.
std::string_view consoleNewline() { return "\r\n"; }

}  // namespace twinscout::e2e
