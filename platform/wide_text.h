#pragma once

#include <string>
#include <string_view>

// Windows names are sequences of 16-bit units, not always valid UTF-16; the program
// holds them in UTF-8. A unit that is half of no pair becomes the three bytes UTF-8
// gives its value (as WTF-8 does), so that every name the system lists comes back
// exactly. Built on every platform, for tests; `Unit` is char16_t or wchar_t.
namespace platform {

template <typename Unit>
std::string toUtf8(std::basic_string_view<Unit> wide);

// Bytes that are no UTF-8 at all (never made by toUtf8) each stand for the
// character of the same value, so that no text is ever cut short.
template <typename Unit>
std::basic_string<Unit> toWide(std::string_view utf8);

}  // namespace platform
