// Runs a program whose standard output loses what it is given.
#pragma once

#include <vector>

#include "child_process.h"

namespace twinscout::e2e {

enum class BrokenOutput {
    closed,             // no standard output at all when the program starts
    everyStreamClosed,  // no standard input, output or error either
    readOnly,           // a file opened for reading only: every write fails
    full,               // /dev/full, where every write finds no space (POSIX only)
};

// The ways this platform can break a child's standard output.
std::vector<BrokenOutput> brokenOutputsHere();

// Runs `command` with its standard input empty (unless closed), its standard
// error read into `err` (unless closed) and its standard output broken as told.
ChildResult runChildWithBrokenOutput(const Command& command, BrokenOutput how);

}  // namespace twinscout::e2e
