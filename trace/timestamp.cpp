#include "trace/timestamp.h"

#include <cstdio>

namespace {

const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Wide enough for any tm field plus an offset, so that no sum can overflow.
int clamp(long long value, int low, int high) {
    return static_cast<int>(value < low ? low : value > high ? high : value);
}

}  // namespace

void formatTimestamp(const std::tm& calendar, char (&out)[kTimestampLength + 1]) {
    std::snprintf(out, sizeof out, "%s %s %02d %02d:%02d:%02d %04d",
                  kDays[clamp(calendar.tm_wday, 0, 6)], kMonths[clamp(calendar.tm_mon, 0, 11)],
                  clamp(calendar.tm_mday, 0, 99), clamp(calendar.tm_hour, 0, 99),
                  clamp(calendar.tm_min, 0, 99), clamp(calendar.tm_sec, 0, 99),
                  clamp(calendar.tm_year + 1900LL, 0, 9999));
}
