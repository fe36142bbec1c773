#pragma once

#include <string>
#include <string_view>

#include "finder/string_list.h"

// Replaces each pair of consecutive separators by one, left to right without overlap.
std::string foldDoubledSeparators(std::string_view text);

// Whether `part` occurs in `text`, byte for byte: in UTF-8, character for character.
bool containsText(std::string_view text, std::string_view part);

// A directory is left out when a lower-cased, folded exclusion occurs in its
// lower-cased, folded path.
bool isExcluded(const std::string& dir, const StringList& exclusions);

// A file passes when the first extension is "*", or when any extension occurs,
// byte for byte, anywhere in its whole path.
bool passesExtensions(std::string_view path, const StringList& extensions);
