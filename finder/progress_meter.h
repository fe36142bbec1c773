#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "finder/finder_output.h"

// The progress line of a run: what the listing has found, then how far the comparison
// has read, shown at most four times a second however many files pass. A phase's first
// line shows at once. Nothing is counted or shown where the output shows no progress.
class ProgressMeter {
public:
    explicit ProgressMeter(FinderOutput& output) : m_output(output) {}

    bool on() const { return m_output.showsProgress(); }
    // `top`: the directory below a source that the walk is in, or the source.
    void listing(std::uint64_t files, std::uint64_t directories, std::string_view top);
    // Files and bytes of the sizes shared, compared so far and in all.
    void comparing(std::uint64_t files, std::uint64_t allFiles, std::uint64_t bytes,
                   std::uint64_t allBytes, std::uint64_t pairs);
    void finish() {
        if (on()) m_output.progress({});
    }

private:
    using Clock = std::chrono::steady_clock;
    enum class Phase { none, listing, comparing };
    bool due(Phase phase);

    FinderOutput& m_output;
    Phase m_phase = Phase::none;
    Clock::time_point m_next{};
    Clock::time_point m_comparisonStart{};
    std::uint32_t m_calls = 0;
};

// Characters of a UTF-8 text, which a terminal shows a column each.
std::size_t characterCount(std::string_view text);
// 1234567 -> "1,234,567"; (1, "file", "files") -> "1 file"; 1234567 bytes -> "1.2 MB"
std::string groupedNumber(std::uint64_t number);
std::string countOf(std::uint64_t number, const char* one, const char* many);
std::string byteCount(std::uint64_t count);
