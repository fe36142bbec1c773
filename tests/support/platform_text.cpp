#include "platform_text.h"

namespace twinscout::e2e {

namespace {

std::string replaceNewlines(std::string_view text, std::string_view newline) {
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        if (c == '\n') {
            result += newline;
        } else {
            result += c;
        }
    }
    return result;
}

}  // namespace

std::string consoleText(std::string_view text) { return replaceNewlines(text, consoleNewline()); }

std::string traceText(std::string_view text) { return replaceNewlines(text, traceNewline()); }

std::string joinPath(std::initializer_list<std::string_view> pieces) {
    std::string path;
    bool first = true;
    for (const std::string_view piece : pieces) {
        if (!first) path += pathSeparator();
        path += piece;
        first = false;
    }
    return path;
}

}  // namespace twinscout::e2e
