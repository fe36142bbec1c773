// What the POSIX test support adds to child_process.h for its own children: waiting
// for one and recording how it ended.
#pragma once

#include <sys/types.h>

#include "child_process.h"

namespace twinscout::e2e {

// Exit code, or 128 + the signal that killed it; 126 and 127, the shell's codes for
// a program that could not be run, count as a failed start.
void reapChild(pid_t pid, ChildResult& result);

}  // namespace twinscout::e2e
