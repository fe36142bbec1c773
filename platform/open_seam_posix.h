// A seam for tests between the look at what a name leads to and the open of
// what it led to (POSIX builds only): a test renames something there.
#pragma once

namespace platform {

using BetweenLookAndOpen = void (*)();

// Null by default; the file system calls it, when set, at that moment.
void setBetweenLookAndOpen(BetweenLookAndOpen seam);
void betweenLookAndOpen();

}  // namespace platform
