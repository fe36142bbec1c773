#pragma once

#include "app/command_line_info.h"

// Feeds argv[1..] to `info`, flags told from values by platform::isFlagParameter.
void walkCommandLine(int argc, const char* const argv[], CCommandLineInfo& info);
