#pragma once

#include "finder/band_judge.h"

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitParameterError = 87;
// Standard output was closed or a write to it failed: what the run found was lost.
inline constexpr int kExitOutputError = 74;
// The system gave too few handles to open every directory and file: pairs may be missing.
inline constexpr int kExitIncomplete = 71;

// A source could not be listed (missing, not a directory, unreadable): standard error
// names it; the other sources were searched.
inline constexpr int kExitNoInput = 66;
// Memory ran out: the search was given up, and what it printed is incomplete.
inline constexpr int kExitOutOfMemory = 70;

// Says on standard error that memory ran out; returns kExitOutOfMemory.
int reportOutOfMemory();

// One search from start to end; returns the exit status.
int runTwinscout(int argc, const char* const argv[],
                 BandJudgeMaker makeJudge = makeContentComparison);
