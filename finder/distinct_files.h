#pragma once

#include <cstddef>
#include <vector>

#include "platform/file_system.h"

// The distinct files among names listed with these statuses, numbered from 0: file f is
// led to by the names from names[firstName[f]] up to names[firstName[f + 1]]. Names of
// one identity listed with equal stamps share a file, which is read once for all of
// them. Names listed with different stamps saw a file change between two listings, and
// each is checked against what its own listing saw. In identity order, which is also an
// order the disk likes; names in listing order.
void distinctFiles(const std::vector<platform::FileStatus>& listed, std::vector<std::size_t>& names,
                   std::vector<std::size_t>& firstName);
