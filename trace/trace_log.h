#pragma once

#include <cstdint>
#include <string_view>

#include "platform/system.h"

// The process-wide trace switch: set once from the options, read by traceLog only.
extern std::int8_t g_debugMode;

// Appends one timestamped record to "debug.log" when tracing is on and `level`
// is one of the five low bits; never reports failure.
void traceLog(std::int32_t level, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// Lets callers skip work whose only product is trace records.
bool traceEnabled();

// What each whole record is written with: platform::writeTraceFile, unless a test
// puts something that watches the writes in its place; null puts it back.
using TraceWrite = void (*)(platform::TraceFile file, std::string_view record);
void setTraceWrite(TraceWrite write);
