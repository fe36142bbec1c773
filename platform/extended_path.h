#pragma once

#include <string>
#include <string_view>

namespace platform {

// The form of a path that Windows accepts at any length and takes as it is:
// "\\?\" before the full path the system resolved it to, "\\?\UNC\server\share\..."
// for a network path. `fullPath` is what GetFullPathNameW made of `path` (empty where
// it failed): the system's own rules resolve relative and drive-relative paths,
// "." and "..", doubled and forward separators, as they did for every call without
// the prefix. Empty when the path must not reach the system: it resolved to a device
// (a component such as NUL or COM1) that the path did not name as one.
// Pure, so that it is built and tested on every platform; `Unit` is char or wchar_t.
template <typename Unit>
std::basic_string<Unit> extendedPath(std::basic_string_view<Unit> path,
                                     std::basic_string_view<Unit> fullPath);

}  // namespace platform
