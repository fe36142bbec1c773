#include "platform_text.h"

namespace twinscout::e2e {

std::string_view pathSeparator() { return "/"; }

std::string_view traceNewline() { return "\n"; }

std::string_view consoleNewline() { return "\n"; }

}  // namespace twinscout::e2e
