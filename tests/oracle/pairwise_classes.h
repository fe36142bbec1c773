// The plain way to split the files of a band into classes: every file against every
// later one not yet classed, two files at a time, read side by side from the start.
// Slow but plain, it is what the real classification is checked against.
#pragma once

#include "finder/content_classes.h"

void classifyBandPairwise(BandReader& reader, const Band& band,
                          std::vector<std::uint32_t>& classes);
