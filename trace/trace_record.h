#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

// One whole record as the trace file receives it: `timestamp`, " :: " and the
// message expanded from `format`, each "\n" written as `lineEnd`. Built whole
// so that it reaches the file with one write.
std::string traceRecord(std::string_view timestamp, std::string_view lineEnd, const char* format,
                        std::va_list arguments);
