#include "finder/progress_meter.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace {

constexpr std::chrono::milliseconds kInterval{250};
// A line never wraps on a terminal of 80 columns, so "\r" can rewrite it.
constexpr std::size_t kWidth = 79;

bool startsCharacter(char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }

// The text cut at its start to `width` characters of UTF-8, its end kept.
std::string tail(std::string_view text, std::size_t width) {
    const std::size_t characters = characterCount(text);
    if (characters <= width) return std::string(text);
    std::size_t skip = characters - (width - 3);
    std::size_t at = 0;
    while (at < text.size() && !(startsCharacter(text[at]) && skip-- == 0)) ++at;
    return "..." + std::string(text.substr(at));
}

}  // namespace

std::size_t characterCount(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), startsCharacter));
}

std::string groupedNumber(std::uint64_t number) {
    std::string digits = std::to_string(number);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<std::size_t>(at), ",");
    }
    return digits;
}

std::string countOf(std::uint64_t number, const char* one, const char* many) {
    return groupedNumber(number) + " " + (number == 1 ? one : many);
}

// Decimal units, as file managers show sizes.
std::string byteCount(std::uint64_t count) {
    if (count < 1000) return countOf(count, "byte", "bytes");
    static constexpr std::array<const char*, 5> kUnits{"kB", "MB", "GB", "TB", "PB"};
    double value = static_cast<double>(count) / 1000;
    std::size_t unit = 0;
    while (value >= 999.95 && unit + 1 < kUnits.size()) {
        value /= 1000;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
    return text;
}

// The clock is read once every 64 calls: the cost per file stays a counter's.
bool ProgressMeter::due(Phase phase) {
    const bool newPhase = phase != m_phase;
    m_phase = phase;
    if (!newPhase && ++m_calls % 64 != 0) return false;
    const Clock::time_point now = Clock::now();
    if (newPhase && phase == Phase::comparing) m_comparisonStart = now;
    if (!newPhase && now < m_next) return false;
    m_next = now + kInterval;
    return true;
}

void ProgressMeter::listing(std::uint64_t files, std::uint64_t directories, std::string_view top) {
    if (!on() || !due(Phase::listing)) return;
    std::string line = "Listing: " + countOf(files, "file", "files") + " in " +
                       countOf(directories, "directory", "directories") + ", in ";
    line += tail(top, kWidth - std::min(kWidth - 10, line.size()));
    m_output.progress(line);
}

void ProgressMeter::comparing(std::uint64_t files, std::uint64_t allFiles, std::uint64_t bytes,
                              std::uint64_t allBytes, std::uint64_t pairs) {
    if (!on() || !due(Phase::comparing)) return;
    std::string line = "Comparing: " + groupedNumber(files) + " of " + groupedNumber(allFiles) +
                       " files, " + byteCount(bytes) + " of " + byteCount(allBytes) + ", " +
                       groupedNumber(pairs) + " pairs";
    // Once a few seconds and a part of the bytes tell the pace.
    const std::chrono::duration<double> spent = Clock::now() - m_comparisonStart;
    if (spent.count() >= 3 && bytes * 50 >= allBytes && bytes < allBytes) {
        const double left =
            spent.count() * static_cast<double>(allBytes - bytes) / static_cast<double>(bytes);
        char text[48];
        if (left < 90) {
            std::snprintf(text, sizeof text, ", about %.0f s left", left);
        } else {
            std::snprintf(text, sizeof text, ", about %.0f min left", left / 60);
        }
        line += text;
    }
    m_output.progress(line.substr(0, kWidth));
}
