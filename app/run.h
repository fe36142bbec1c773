#pragma once

inline constexpr int kExitParameterError = 87;

// One search from start to end; returns the exit status.
int runTwinscout(int argc, const char* const argv[]);
