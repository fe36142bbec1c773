#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/file_system.h"

// Tells byte strings apart quickly; equal hashes never decide that bytes are equal.
std::uint64_t hashBytes(const char* bytes, std::size_t count);

// The listing hashes each file's first bytes: files whose heads differ can't be equal,
// so most files never need reading again. Whole small files fit in the head.
inline constexpr std::size_t kHeadBytes = 4096;
// Never a digest: the head could not be read, so the file must be compared in full.
inline constexpr std::uint64_t kUnknownHead = 0;

// Digest of the first min(size, kHeadBytes) bytes of `file`, through `buffer` of
// kHeadBytes bytes; kUnknownHead when they can't all be read.
std::uint64_t headDigest(const platform::File& file, std::int64_t size, char* buffer);
