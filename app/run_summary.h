#pragma once

#include <string>

#include "finder/run_tally.h"

// The line that ends a run on a terminal: what was found, what could not be read, and
// how long it took. Standard output, which scripts read, never carries it.
std::string summaryLine(const RunTally& tally, double seconds);
