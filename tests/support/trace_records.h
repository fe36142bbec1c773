// Reading debug.log: every record is "<24-character timestamp> :: <message>".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace twinscout::e2e {

inline constexpr std::size_t kTimestampLength = 24;
inline constexpr std::string_view kRecordSeparator = " :: ";
// Stands in for a timestamp of the right shape, so whole logs compare exactly.
inline constexpr std::string_view kMaskedTimestamp = "<------timestamp------->";
static_assert(kMaskedTimestamp.size() == kTimestampLength);

// The records of a log, each with its line end; a last record without one is
// kept as it is.
std::vector<std::string> splitRecords(std::string_view log);

// Every record's leading timestamp replaced by kMaskedTimestamp. A record that
// does not start with a well-shaped timestamp is left alone, so a comparison
// with the expected log shows it.
std::string maskTimestamps(std::string_view log);

// One expected record: masked timestamp, separator, and the message with the
// platform's line end.
std::string traceRecord(std::string_view message);

// "Www Mmm DD HH:MM:SS YYYY" with English names and a zero-padded day.
bool hasTimestampShape(std::string_view stamp);

// Whether the day name is right for the date; the stamp must be well shaped.
bool weekdayMatchesDate(std::string_view stamp);

}  // namespace twinscout::e2e
