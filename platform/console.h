#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

// Standard output and the bytes that names take there and in debug.log. The program
// holds every name in UTF-8; only here are names spelled for the world outside.
namespace platform {

// The bytes that stand for `text`, UTF-8, on standard output and in debug.log.
std::string spelledForOutput(std::string_view text);

// One line on standard output, flushed before the call returns, so the listing can be
// followed while the run goes on: the pieces one after the other, each spelled on its
// own (a path, or plain ASCII text), then a line end.
void printLine(std::initializer_list<std::string_view> pieces);

// One line on standard error, for the user rather than for scripts: spelled as on
// standard output, or as characters where standard error is a console. Failures are
// ignored: what the run found is on standard output.
void printErrorLine(std::initializer_list<std::string_view> pieces);

// Text on standard error as it stands, no line end added: a line rewritten in place
// ("\r"). As characters where standard error is a console. Failures are ignored.
void writeErrorText(std::string_view text);

// Whether standard error, or standard output, is a terminal (a console on Windows),
// where someone reads it.
bool standardErrorIsTerminal();
bool standardOutputIsTerminal();

// The system's words for one of its error codes (errno, or a Windows error code).
std::string errorText(std::uint32_t code);

// Whether some line could not be written to the console, which printLine writes to
// without stdio where it writes characters: stdio's error indicator knows only of
// the lines that went through it.
bool consoleWriteFailed();
void noteConsoleWriteFailed();

}  // namespace platform
