#include "platform/wide_text.h"

#include <cstdint>

namespace platform {
namespace {

bool isHighSurrogate(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(std::uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void appendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The code point of the sequence that starts at `at`, and its length; a byte that
// starts no well-formed sequence stands for itself.
std::uint32_t decodeAt(std::string_view text, std::size_t at, std::size_t& length) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[at + k]); };
    const unsigned char lead = byte(0);
    length = 1;
    std::size_t trail = 0;
    std::uint32_t code = lead;
    std::uint32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        trail = 1, code = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trail = 2, code = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trail = 3, code = lead & 0x07, least = 0x10000;
    } else {
        return lead;
    }
    if (at + trail >= text.size()) return lead;
    for (std::size_t k = 1; k <= trail; ++k) {
        if ((byte(k) & 0xC0) != 0x80) return lead;
        code = (code << 6) | (byte(k) & 0x3F);
    }
    if (code < least || code > 0x10FFFF) return lead;
    length = trail + 1;
    return code;
}

}  // namespace

template <typename Unit>
std::string toUtf8(std::basic_string_view<Unit> wide) {
    std::string out;
    out.reserve(wide.size());
    for (std::size_t k = 0; k < wide.size(); ++k) {
        const auto unit = static_cast<std::uint32_t>(wide[k]) & 0xFFFF;
        const std::uint32_t next =
            k + 1 < wide.size() ? static_cast<std::uint32_t>(wide[k + 1]) & 0xFFFF : 0;
        if (isHighSurrogate(unit) && isLowSurrogate(next)) {
            appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
            ++k;
        } else {
            appendUtf8(out, unit);
        }
    }
    return out;
}

template <typename Unit>
std::basic_string<Unit> toWide(std::string_view utf8) {
    std::basic_string<Unit> out;
    out.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        std::size_t length = 1;
        const std::uint32_t code = decodeAt(utf8, at, length);
        at += length;
        if (code >= 0x10000) {
            out += static_cast<Unit>(0xD800 + ((code - 0x10000) >> 10));
            out += static_cast<Unit>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            out += static_cast<Unit>(code);
        }
    }
    return out;
}

template std::string toUtf8<char16_t>(std::u16string_view);
template std::string toUtf8<wchar_t>(std::wstring_view);
template std::u16string toWide<char16_t>(std::string_view);
template std::wstring toWide<wchar_t>(std::string_view);

}  // namespace platform
