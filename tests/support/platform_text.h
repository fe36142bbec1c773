// How the program's texts come out on the platform this suite is built for.
// Tests write every expected text with "\n" and "/"-free path pieces, and let
// these helpers turn them into the platform's bytes.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace twinscout::e2e {

// The separator the program puts between a directory and an entry name.
std::string_view pathSeparator();

// The bytes that one "\n" of a trace message becomes in debug.log.
std::string_view traceNewline();

// The bytes that one "\n" of a console line becomes on standard output.
std::string_view consoleNewline();

// text with every "\n" replaced by the platform's bytes for it.
std::string consoleText(std::string_view text);
std::string traceText(std::string_view text);

// The pieces joined with the program's separator, as the program builds paths.
std::string joinPath(std::initializer_list<std::string_view> pieces);

}  // namespace twinscout::e2e
