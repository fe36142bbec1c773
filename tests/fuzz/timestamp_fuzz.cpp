// formatTimestamp over every std::tm field, extreme values included: whatever the fields,
// the result is the 24-character layout, and in-range fields come out as given.
#include <cstdint>
#include <cstring>
#include <ctime>

#include "fuzz_check.h"
#include "trace/timestamp.h"

using twinscout::fuzz::require;

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Two (or four) digits at `at` that spell `value`, when it fits; any digits otherwise.
bool digitsShow(const char* at, int width, int value, int low, int high) {
    for (int i = 0; i < width; ++i) {
        if (!isDigit(at[i])) return false;
    }
    if (value < low || value > high) return true;
    int shown = 0;
    for (int i = 0; i < width; ++i) shown = shown * 10 + (at[i] - '0');
    return shown == value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The input fills the fields in order; a short input leaves the rest at 0.
    int fields[9] = {};
    std::memcpy(fields, data, size < sizeof fields ? size : sizeof fields);
    std::tm calendar{};
    calendar.tm_sec = fields[0];
    calendar.tm_min = fields[1];
    calendar.tm_hour = fields[2];
    calendar.tm_mday = fields[3];
    calendar.tm_mon = fields[4];
    calendar.tm_year = fields[5];
    calendar.tm_wday = fields[6];
    calendar.tm_yday = fields[7];
    calendar.tm_isdst = fields[8];

    char out[kTimestampLength + 1];
    std::memset(out, 'x', sizeof out);
    formatTimestamp(calendar, out);

    require(out[kTimestampLength] == '\0', "NUL after the 24 characters");
    require(std::strlen(out) == kTimestampLength, "exactly 24 characters");
    require(out[3] == ' ' && out[7] == ' ' && out[10] == ' ' && out[19] == ' ',
            "blanks between the parts");
    require(out[13] == ':' && out[16] == ':', "colons in the time");

    static const char* const kDays = "SunMonTueWedThuFriSat";
    static const char* const kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
    bool dayFound = false;
    for (int i = 0; i < 7; ++i) {
        const bool same = std::memcmp(out, kDays + 3 * i, 3) == 0;
        require(!same || calendar.tm_wday < 0 || calendar.tm_wday > 6 || calendar.tm_wday == i,
                "the day of the week as given");
        dayFound = dayFound || same;
    }
    require(dayFound, "an English day name");
    bool monthFound = false;
    for (int i = 0; i < 12; ++i) {
        const bool same = std::memcmp(out + 4, kMonths + 3 * i, 3) == 0;
        require(!same || calendar.tm_mon < 0 || calendar.tm_mon > 11 || calendar.tm_mon == i,
                "the month as given");
        monthFound = monthFound || same;
    }
    require(monthFound, "an English month name");

    require(digitsShow(out + 8, 2, calendar.tm_mday, 0, 99), "the day of the month");
    require(digitsShow(out + 11, 2, calendar.tm_hour, 0, 99), "the hour");
    require(digitsShow(out + 14, 2, calendar.tm_min, 0, 99), "the minute");
    require(digitsShow(out + 17, 2, calendar.tm_sec, 0, 99), "the second");
    // The year is tm_year + 1900; far outside 0..9999 it is only four digits.
    const long long year = calendar.tm_year + 1900LL;
    const bool yearFits = year >= 0 && year <= 9999;
    require(digitsShow(out + 20, 4, yearFits ? static_cast<int>(year) : -1, 0, 9999), "the year");
    return 0;
}
