// The plain way to split files of one size into classes: every file against every
// later one not yet classed, two files at a time, read side by side from the start.
// Slow but plain, it is what the real classification is checked against.
#pragma once

#include "finder/content_classes.h"

void classifyRunPairwise(platform::FileSystem& fileSystem, std::int64_t size,
                         std::vector<RunMember>& members, const ClassifierLimits& limits,
                         bool checkEveryName, ReadAhead* ahead);
