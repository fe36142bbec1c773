#pragma once

#include <ctime>

inline constexpr int kTimestampLength = 24;

// "Www Mmm DD HH:MM:SS YYYY" with English names and a zero-padded day, whatever the
// locale. `out` receives the 24 characters and a NUL.
void formatTimestamp(const std::tm& calendar, char (&out)[kTimestampLength + 1]);
