#pragma once

#include <cstdio>
#include <ctime>
#include <string>

// Everything else that differs between Windows and POSIX.
namespace platform {

// Path separator: '\\' on Windows, '/' on POSIX.
extern const char kSeparator;

// Starts the process environment; false when Windows gives no module or command line.
bool startFramework();

// Whether a command-line parameter is a flag, by this system's rule (platform/flag_rules.h).
bool isFlagParameter(const char* param);

// Lower-cases in place by the system's rules for file names.
void toLowerCase(std::string& text);
// True for the first byte of a double-byte character of the ANSI code page.
bool isLeadByte(unsigned char byte);

bool localTime(std::time_t seconds, std::tm& calendar);

// Opens "debug.log" for appending, held for exclusive access until closeTraceFile;
// waits briefly for another run holding it. Null when it can't be had.
std::FILE* openTraceFile();
void closeTraceFile(std::FILE* file);

// How many files the comparison may keep open at once.
std::size_t openFileBudget();

}  // namespace platform
