#pragma once

// The two ways of telling a flag from a value on the command line. Both are built on
// every platform so that one test covers both; platform::isFlagParameter picks one.
namespace platform {

// Windows: a parameter beginning with '-' or '/' is a flag.
bool isFlagByWindowsRule(const char* param);

// POSIX: as on Windows, except that a parameter beginning with '/' is a flag only when
// it is two characters long ("/s", "/?"): "/" and longer ones are absolute paths.
bool isFlagByPosixRule(const char* param);

}  // namespace platform
