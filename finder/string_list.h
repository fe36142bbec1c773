#pragma once

#include <string>
#include <vector>

// An ordered list of byte strings, grown at its tail.
using StringList = std::vector<std::string>;
