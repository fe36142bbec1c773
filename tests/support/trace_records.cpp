#include "trace_records.h"

#include <array>

#include "platform_text.h"

namespace twinscout::e2e {

namespace {

constexpr std::array<std::string_view, 7> kDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<std::string_view, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

template <std::size_t N>
int indexOf(const std::array<std::string_view, N>& names, std::string_view name) {
    for (std::size_t i = 0; i < N; ++i) {
        if (names[i] == name) return static_cast<int>(i);
    }
    return -1;
}

// The two or four digits at stamp[at], or -1 when any is not a digit.
int number(std::string_view stamp, std::size_t at, std::size_t digits) {
    int value = 0;
    for (std::size_t i = at; i < at + digits; ++i) {
        if (stamp[i] < '0' || stamp[i] > '9') return -1;
        value = value * 10 + (stamp[i] - '0');
    }
    return value;
}

}  // namespace

std::vector<std::string> splitRecords(std::string_view log) {
    std::vector<std::string> records;
    while (!log.empty()) {
        const std::size_t end = log.find('\n');
        const std::size_t length = end == std::string_view::npos ? log.size() : end + 1;
        records.emplace_back(log.substr(0, length));
        log.remove_prefix(length);
    }
    return records;
}

std::string maskTimestamps(std::string_view log) {
    std::string masked;
    masked.reserve(log.size());
    for (const std::string& record : splitRecords(log)) {
        const std::string_view view = record;
        if (view.size() >= kTimestampLength &&
            hasTimestampShape(view.substr(0, kTimestampLength))) {
            masked += kMaskedTimestamp;
            masked += view.substr(kTimestampLength);
        } else {
            masked += view;
        }
    }
    return masked;
}

std::string traceRecord(std::string_view message) {
    return std::string(kMaskedTimestamp) + std::string(kRecordSeparator) + traceText(message);
}

bool hasTimestampShape(std::string_view stamp) {
    if (stamp.size() != kTimestampLength) return false;
    if (stamp[3] != ' ' || stamp[7] != ' ' || stamp[10] != ' ' || stamp[13] != ':' ||
        stamp[16] != ':' || stamp[19] != ' ') {
        return false;
    }
    if (indexOf(kDays, stamp.substr(0, 3)) < 0 || indexOf(kMonths, stamp.substr(4, 3)) < 0) {
        return false;
    }
    const int day = number(stamp, 8, 2);
    const int hour = number(stamp, 11, 2);
    const int minute = number(stamp, 14, 2);
    const int second = number(stamp, 17, 2);
    const int year = number(stamp, 20, 4);
    return day >= 1 && day <= 31 && hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 &&
           second >= 0 && second <= 59 && year >= 0;
}

bool weekdayMatchesDate(std::string_view stamp) {
    if (!hasTimestampShape(stamp)) return false;
    int year = number(stamp, 20, 4);
    const int month = indexOf(kMonths, stamp.substr(4, 3)) + 1;
    const int day = number(stamp, 8, 2);
    // Sakamoto's method; 0 is Sunday.
    constexpr int kOffsets[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3) year -= 1;
    const int weekday = (year + year / 4 - year / 100 + year / 400 + kOffsets[month - 1] + day) % 7;
    return indexOf(kDays, stamp.substr(0, 3)) == weekday;
}

}  // namespace twinscout::e2e
