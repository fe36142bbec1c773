#pragma once

#include "finder/content_classes.h"

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitParameterError = 87;
// Standard output was closed or a write to it failed: what the run found was lost.
inline constexpr int kExitOutputError = 74;

// One search from start to end; returns the exit status.
int runTwinscout(int argc, const char* const argv[], RunClassifier classify = classifyRun);
