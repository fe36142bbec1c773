// What the Windows test support adds to child_process.h: starting a child with the
// standard handles a test chooses.
#pragma once

#include <windows.h>

#include <string>

#include "child_process.h"

namespace twinscout::e2e {

// `input`, `output` and `error` are inheritable handles, or null for a stream the
// child must find closed. Arguments are quoted so that the child gets them back
// unchanged. False, with `failure` set, when the child can't be started.
bool startChild(const Command& command, HANDLE input, HANDLE output, HANDLE error,
                PROCESS_INFORMATION& info, std::string& failure);

}  // namespace twinscout::e2e
