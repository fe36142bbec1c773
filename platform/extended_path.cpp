#include "platform/extended_path.h"

namespace platform {
namespace {

template <typename Unit>
bool isSeparator(Unit unit) {
    return unit == Unit('\\') || unit == Unit('/');
}

// "\\?\" or "\\.\", with either separator.
template <typename Unit>
bool hasPrefix(std::basic_string_view<Unit> path, char mark) {
    return path.size() >= 4 && isSeparator(path[0]) && isSeparator(path[1]) &&
           path[2] == Unit(mark) && isSeparator(path[3]);
}

template <typename Unit>
std::basic_string<Unit> widened(const char* ascii) {
    std::basic_string<Unit> text;
    for (; *ascii != '\0'; ++ascii) text += static_cast<Unit>(*ascii);
    return text;
}

}  // namespace

template <typename Unit>
std::basic_string<Unit> extendedPath(std::basic_string_view<Unit> path,
                                     std::basic_string_view<Unit> fullPath) {
    using Text = std::basic_string<Unit>;
    if (hasPrefix(path, '?')) return Text(path);
    if (fullPath.empty()) return Text(path);
    if (hasPrefix(fullPath, '?')) return Text(fullPath);
    if (hasPrefix(fullPath, '.')) return hasPrefix(path, '.') ? Text(fullPath) : Text();
    if (isSeparator(fullPath[0]) && fullPath.size() > 1 && isSeparator(fullPath[1])) {
        return widened<Unit>("\\\\?\\UNC\\") + Text(fullPath.substr(2));
    }
    if (fullPath.size() >= 3 && fullPath[1] == Unit(':') && isSeparator(fullPath[2])) {
        return widened<Unit>("\\\\?\\") + Text(fullPath);
    }
    return Text(fullPath);
}

template std::string extendedPath<char>(std::string_view, std::string_view);
template std::wstring extendedPath<wchar_t>(std::wstring_view, std::wstring_view);

}  // namespace platform
