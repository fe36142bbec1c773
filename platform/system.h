#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "platform/open_error.h"

// Everything else that differs between Windows and POSIX.
namespace platform {

// Path separator: '\\' on Windows, '/' on POSIX.
extern const char kSeparator;

// Starts the process environment; false when Windows gives no module or command line.
// A standard descriptor found closed is opened on the null device first, so that
// no file the run opens later takes its number.
bool startFramework();

// Whether standard output was closed when the process started: nothing the run
// prints reaches anyone.
bool standardOutputClosedAtStart();

// Whether a command-line parameter is a flag, by this system's rule (platform/flag_rules.h).
bool isFlagParameter(const char* param);

// Lower-cases a name in place by the system's rules for file names (in UTF-8 on Windows).
void toLowerCase(std::string& text);

bool localTime(std::time_t seconds, std::tm& calendar);

// The trace file while one record is written: a descriptor, or a handle on Windows.
using TraceFile = std::intptr_t;

// What each "\n" of a text file becomes in it: CR LF on Windows.
extern const std::string_view kLineEnd;

// One attempt at "debug.log": `file` is opened for appending and held for
// exclusive access until closeTraceFile, but only when the name is a regular
// file with no other name, never a link, a FIFO or a device (notRegular). `held`
// when another process holds it; the attempt never waits.
OpenError openTraceFile(TraceFile& file);
// Appends the bytes with one system call, so that a record is in the file whole
// or not at all; failures are ignored.
void writeTraceFile(TraceFile file, std::string_view bytes);
void closeTraceFile(TraceFile file);

// How many files the finder may have open at once: what the limit on open handles
// leaves beside those open now and those the run needs of its own; 1 at least.
std::size_t openFileBudget();

}  // namespace platform
